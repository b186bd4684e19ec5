// gl_test.h -- a GoogleTest fixture with a fresh offscreen Mesa context per test, and pixel helpers.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <vector>

#include "platform/offscreen_gl.h"

namespace qm::test {

using Rgba = std::array<int, 4>;

// Each test gets its own 800x600 context with the player's projection and fixed
// state, cleared to the player's clear colour.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Reads the whole frame once; pixel() then looks into that copy.
    void capture();
    // x from the left, y from the top of the screen, as a viewer sees it.
    Rgba pixel(int x, int y) const;
    // Reads one pixel straight from the frame buffer.
    Rgba readPixel(int x, int y) const;

    OffscreenGl gl;
    std::vector<uint8_t> frame;
};

// True when every channel of a and b differs by at most `tolerance`.
bool near(const Rgba& a, const Rgba& b, int tolerance = 2);

}  // namespace qm::test

// Prints an Rgba in assertion messages.
namespace std {
inline void PrintTo(const array<int, 4>& c, ostream* os) {
    *os << "(" << c[0] << ", " << c[1] << ", " << c[2] << ", " << c[3] << ")";
}
}  // namespace std
