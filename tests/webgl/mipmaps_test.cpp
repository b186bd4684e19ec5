// mipmaps_test.cpp -- the webgl layer's mipmap chain byte for byte against the system's gluBuild2DMipmaps.
#include <GL/gl.h>
#include <GL/glu.h>

#include <cstdint>
#include <vector>

#include "platform/webgl/mipmaps.h"
#include "support/gl_test.h"

namespace qm {
namespace {

class WebglMipmapsTest : public test::GlTest {};

// A picture with detail in every channel, so that each filter weight shows in the result.
std::vector<uint8_t> picture(int width, int height) {
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    uint32_t state = 12345u + static_cast<uint32_t>(width * 977 + height);
    for (uint8_t& byte : rgba) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<uint8_t>(state >> 24);
    }
    return rgba;
}

TEST_F(WebglMipmapsTest, EveryLevelMatchesWhatGluHandsToGl) {
    // Powers of two; sides GLU scales up (100 -> 128, 3 -> 4, 200 -> 256, 48 -> 64) and down
    // (90 -> 64, 45 -> 32, 95 -> 64, 37 -> 32, 5 -> 4); one texel high or wide.
    const int sizes[][2] = {{64, 32}, {100, 60}, {90, 45}, {95, 200}, {3, 5},
                            {1, 37},  {200, 1},  {7, 7},   {48, 48}};
    for (const auto& size : sizes) {
        const int width = size[0], height = size[1];
        SCOPED_TRACE(::testing::Message() << width << " x " << height);
        const std::vector<uint8_t> rgba = picture(width, height);
        GLuint name = 0;
        glGenTextures(1, &name);
        glBindTexture(GL_TEXTURE_2D, name);
        ASSERT_EQ(
            gluBuild2DMipmaps(GL_TEXTURE_2D, GL_RGBA, width, height, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data()),
            0);
        const std::vector<qmgl::MipLevel> chain = qmgl::buildMipChain(rgba.data(), width, height);
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        for (size_t level = 0; level < chain.size(); ++level) {
            GLint glWidth = 0, glHeight = 0;
            glGetTexLevelParameteriv(GL_TEXTURE_2D, static_cast<GLint>(level), GL_TEXTURE_WIDTH, &glWidth);
            glGetTexLevelParameteriv(GL_TEXTURE_2D, static_cast<GLint>(level), GL_TEXTURE_HEIGHT, &glHeight);
            ASSERT_EQ(glWidth, chain[level].width) << "level " << level;
            ASSERT_EQ(glHeight, chain[level].height) << "level " << level;
            std::vector<uint8_t> fromGl(chain[level].rgba.size());
            glGetTexImage(GL_TEXTURE_2D, static_cast<GLint>(level), GL_RGBA, GL_UNSIGNED_BYTE, fromGl.data());
            EXPECT_EQ(fromGl, chain[level].rgba) << "level " << level;
        }
        GLint beyond = -1;
        glGetTexLevelParameteriv(GL_TEXTURE_2D, static_cast<GLint>(chain.size()), GL_TEXTURE_WIDTH, &beyond);
        EXPECT_EQ(beyond, 0) << "GLU built more levels than the layer";
        glDeleteTextures(1, &name);
    }
}

}  // namespace
}  // namespace qm
