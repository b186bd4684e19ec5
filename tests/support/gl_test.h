// gl_test.h -- a GoogleTest fixture with a fresh offscreen Mesa context per test, and pixel helpers.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

#include "platform/offscreen_gl.h"
#include "runtime/demo_run.h"

namespace qm::test {

using Rgba = std::array<int, 4>;

// Each test gets its own 800x600 context with the player's projection and fixed
// state, cleared to the player's clear colour, and a fresh run of the demo (its
// materials, font, kinds, stage) for the test's objects and scenes. The run outlives
// the fixture's own members, so scenes made on its stage may be members too.
class GlTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    DemoRun& run() { return run_; }
    MaterialLibrary& materials() { return run_.materials; }
    KindContext& kinds() { return run_.kinds; }
    // A drawn frame step (or, with `drawn` false, a fast-forward step) of `delta` seconds at `now`.
    static FrameContext frameOf(double delta = 0, double now = 0, bool drawn = true) {
        return {now, delta, drawn, 1};
    }

    // Reads the whole frame once; pixel() then looks into that copy.
    void capture();
    // x from the left, y from the top of the screen, as a viewer sees it.
    Rgba pixel(int x, int y) const;
    // Reads one pixel straight from the frame buffer.
    Rgba readPixel(int x, int y) const;

    OffscreenGl gl;
    std::vector<uint8_t> frame;

private:
    DemoRun run_;
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
