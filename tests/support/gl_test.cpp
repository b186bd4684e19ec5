// gl_test.cpp -- offscreen context per test.
#include "support/gl_test.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "base/gl_state.h"

namespace qm::test {

void GlTest::SetUp() {
    std::string error;
    ASSERT_TRUE(gl.create(800, 600, error)) << error;
    setUpPlayerProjection(PictureRect{});
    setPlayerFixedState();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
}

void GlTest::TearDown() {
    gl.destroy();
}

void GlTest::capture() {
    glFinish();
    frame = gl.readPixels();
    // For a look at what a test drew: QUILLMOOR_DUMP_DIR=/tmp/x writes each captured
    // frame as raw RGBA (bottom row first); `convert -size 800x600 -depth 8 -flip
    // rgba:FILE out.png` turns it into a picture.
    if (const char* dir = std::getenv("QUILLMOOR_DUMP_DIR")) {
        const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
        const std::string path =
            std::string(dir) + "/" + info->test_suite_name() + "." + info->name() + ".rgba";
        if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
            std::fwrite(frame.data(), 1, frame.size(), f);
            std::fclose(f);
        }
    }
}

Rgba GlTest::pixel(int x, int y) const {
    const int row = gl.height() - 1 - y;
    const size_t i = (static_cast<size_t>(row) * gl.width() + x) * 4;
    if (i + 3 >= frame.size()) return {-1, -1, -1, -1};
    return {frame[i], frame[i + 1], frame[i + 2], frame[i + 3]};
}

Rgba GlTest::readPixel(int x, int y) const {
    uint8_t p[4] = {};
    glFinish();
    glReadPixels(x, gl.height() - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
    return {p[0], p[1], p[2], p[3]};
}

bool near(const Rgba& a, const Rgba& b, int tolerance) {
    for (int i = 0; i < 4; ++i)
        if (std::abs(a[i] - b[i]) > tolerance) return false;
    return true;
}

}  // namespace qm::test
