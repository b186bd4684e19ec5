// Textures in a real context: parameters, mipmap chain, binding, clean-up, and what a textured quad shows.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "resources/texture.h"
#include "support/gl_test.h"
#include "support/image_files.h"

namespace qm {
namespace {

using test::Rgba;

GLint boundTexture() {
    GLint name = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &name);
    return name;
}

GLint textureParameter(GLenum which) {
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, which, &value);
    return value;
}

GLint levelParameter(int level, GLenum which) {
    GLint value = 0;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, level, which, &value);
    return value;
}

// A picture of w x h pixels whose red channel is the column and green the row.
void fillGradient(Texture& t, int w, int h) {
    std::vector<uint8_t> rgba;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) rgba.insert(rgba.end(), {uint8_t(x), uint8_t(y), 0, 255});
    ASSERT_TRUE(
        t.readBmpData(test::makeBmp({.width = w, .height = h, .pixelData = test::bmp24Rows(w, h, rgba)})));
}

// A quad filling the screen at z = -2 with texture coordinates 0..1, t = 0 at the bottom.
void drawScreenQuad() {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-2.4f, -1.8f, -2);
    glTexCoord2f(1, 0);
    glVertex3f(2.4f, -1.8f, -2);
    glTexCoord2f(1, 1);
    glVertex3f(2.4f, 1.8f, -2);
    glTexCoord2f(0, 1);
    glVertex3f(-2.4f, 1.8f, -2);
    glEnd();
}

class TextureGlTest : public test::GlTest {};

TEST_F(TextureGlTest, UploadSetsTheParametersAndAFullMipmapChainAndStaysBound) {
    Texture t;
    fillGradient(t, 100, 60);
    t.setWrap(gl::kRepeat, gl::kClampToEdge);
    t.setFilter(gl::kLinearMipmapLinear, gl::kNearest);
    t.upload();
    ASSERT_NE(t.glName, 0u);
    EXPECT_EQ(boundTexture(), GLint(t.glName));
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_REPEAT);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_T), GL_CLAMP_TO_EDGE);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_LINEAR_MIPMAP_LINEAR);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MAG_FILTER), GL_NEAREST);

    // GLU scales 100 x 60 to powers of two, then halves down to 1 x 1.
    int w = levelParameter(0, GL_TEXTURE_WIDTH), h = levelParameter(0, GL_TEXTURE_HEIGHT);
    EXPECT_EQ(w & (w - 1), 0) << w;
    EXPECT_EQ(h & (h - 1), 0) << h;
    EXPECT_GE(w, 64);
    EXPECT_GE(h, 32);
    int level = 0;
    while (w > 1 || h > 1) {
        ++level;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_WIDTH), w) << "level " << level;
        EXPECT_EQ(levelParameter(level, GL_TEXTURE_HEIGHT), h) << "level " << level;
    }
    EXPECT_EQ(levelParameter(level, GL_TEXTURE_INTERNAL_FORMAT), GL_RGBA);
    // The picture stays in memory at its own size.
    EXPECT_EQ(t.width, 100);
    EXPECT_EQ(t.pixels.size(), 100u * 60 * 4);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
}

TEST_F(TextureGlTest, ATextureWithoutAPictureGetsItsParametersButNoImage) {
    Texture t;
    DiskFiles disk;
    EXPECT_FALSE(t.loadImage("missing.png", disk));
    t.setFilter(gl::kNearest, gl::kNearest);
    t.upload();
    ASSERT_NE(t.glName, 0u);
    EXPECT_EQ(textureParameter(GL_TEXTURE_MIN_FILTER), GL_NEAREST);
    EXPECT_EQ(textureParameter(GL_TEXTURE_WRAP_S), GL_CLAMP);
    EXPECT_EQ(levelParameter(0, GL_TEXTURE_WIDTH), 0);
}

TEST_F(TextureGlTest, BindingATextureThatWasNeverUploadedKeepsThePreviousOne) {
    Texture uploaded;
    uploaded.upload();
    Texture never;
    never.bind();
    EXPECT_EQ(boundTexture(), GLint(uploaded.glName));
}

TEST_F(TextureGlTest, UploadingAgainAndDestroyingDeleteTheTextureObjects) {
    GLuint first = 0, second = 0;
    {
        Texture t;
        fillGradient(t, 4, 4);
        t.upload();
        first = t.glName;
        t.upload();
        second = t.glName;
        ASSERT_NE(second, 0u);
        EXPECT_TRUE(glIsTexture(second));
        if (first != second) {
            EXPECT_FALSE(glIsTexture(first));
        }
    }
    EXPECT_FALSE(glIsTexture(first));
    EXPECT_FALSE(glIsTexture(second));
}

TEST_F(TextureGlTest, RowZeroOfThePictureLiesAtTheBottomOfAQuadWithTZeroAtTheBottom) {
    // A 1 x 2 BMP: the bottom row (stored first) red, the top row blue.
    Texture t;
    ASSERT_TRUE(t.readBmpData(test::makeBmp(
        {.width = 1, .height = 2, .pixelData = test::bmp24Rows(1, 2, {255, 0, 0, 255, 0, 0, 255, 255})})));
    t.setFilter(gl::kNearest, gl::kNearest);
    t.upload();
    glEnable(GL_TEXTURE_2D);
    glColor4f(1, 1, 1, 1);
    drawScreenQuad();
    capture();
    EXPECT_TRUE(test::near(pixel(400, 500), {255, 0, 0, 255})) << testing::PrintToString(pixel(400, 500));
    EXPECT_TRUE(test::near(pixel(400, 100), {0, 0, 255, 255})) << testing::PrintToString(pixel(400, 100));
}

}  // namespace
}  // namespace qm
