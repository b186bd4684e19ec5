// The rippling floor: the integer wave, the drop, the torus wrap, scrolling and what a viewer sees.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "base/frame_clock.h"
#include "objects/floor.h"
#include "support/gl_test.h"

namespace qm {
namespace {

class FloorTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        frameClock = FrameClock{};
        floor.init();
    }

    void step(double seconds = 0.02) {
        frameClock.delta = seconds;
        frameClock.now += seconds;
        floor.update();
    }

    bool allFlat() {
        for (const Vec3& p : floor.current)
            if (p.z != 0) return false;
        for (const NormalVertex& v : floor.vertices)
            if (v.nx != 0 || v.ny != 0 || v.nz != 1) return false;
        return true;
    }

    ChessFloor floor;
};

TEST_F(FloorTest, WithoutADropTheFloorStaysFlat) {
    for (int i = 0; i < 200; ++i) step(i % 2 ? 0.5 : 0.001);
    EXPECT_TRUE(allFlat());
    // The grid's x and y never move: 5 units apart, centred on row and column 37.
    EXPECT_EQ(floor.currentPoint(0, 74), (Vec3{-185, 185, 0}));
    EXPECT_EQ(floor.vertices[150 * 3 + 2 * 10].x, floor.currentPoint(10, 4).x);
    EXPECT_EQ(floor.vertices[150 * 3 + 2 * 10 + 1].y, floor.currentPoint(10, 3).y);
}

TEST_F(FloorTest, ADropIsPressedInEveryUpdateForAFifteenthOfASecondAndThenStops) {
    frameClock.now = 10.0;
    floor.trigger(1);
    int pushes = 0;
    float pushedDepth = 0;
    for (int frame = 0; frame < 12; ++frame) {
        const float before = floor.currentPoint(37, 37).z;
        const float cornerBefore = floor.currentPoint(38, 36).z;
        step(0.02);
        // After the update the grid that was pressed in is the "previous" one.
        const float pressed = floor.previousPoint(37, 37).z - before;
        if (pressed != 0) {
            ++pushes;
            pushedDepth += pressed;
            EXPECT_EQ(floor.previousPoint(38, 36).z - cornerBefore, -20);  // a diagonal neighbour too
        }
    }
    EXPECT_EQ(pushes, 7);
    EXPECT_EQ(pushedDepth, -140);
    EXPECT_FALSE(floor.dropActive);
    EXPECT_FALSE(allFlat());
}

TEST_F(FloorTest, HeightsAreWholeNumbersAndARippleWrapsAroundTheGridEdges) {
    floor.currentPoint(74, 20).z = -400;
    floor.currentPoint(20, 74).z = -400;
    step();
    // Row 74's neighbour across the edge is row 0, and column 74's is column 0.
    EXPECT_NE(floor.currentPoint(0, 20).z, 0);
    EXPECT_NE(floor.currentPoint(20, 0).z, 0);
    for (int i = 0; i < 40; ++i) step();
    for (const Vec3& p : floor.current) ASSERT_EQ(p.z, std::trunc(p.z));
}

TEST_F(FloorTest, BorderPairsKeepTheUpNormalEvenWhenTheirPointsMove) {
    floor.currentPoint(0, 30).z = -100;
    floor.currentPoint(31, 31).z = -100;
    step();
    const NormalVertex& edge = floor.vertices[150 * 30 + 0];  // strip 30, row 0
    EXPECT_EQ(edge.nz, 1);
    const NormalVertex& inner = floor.vertices[150 * 30 + 2 * 30];  // strip 30, row 30
    EXPECT_NE(inner.nz, 1);
    EXPECT_NEAR(inner.nx * inner.nx + inner.ny * inner.ny + inner.nz * inner.nz, 1, 1e-5);
}

TEST_F(FloorTest, ScrollCodesPickTheSpeedAndOtherCodesDoNothing) {
    struct Case {
        int code;
        float u, v;
    } cases[] = {{3, 0, 2}, {4, 2, 0}, {5, -2, 2}, {6, 0, 0}, {7, -2, -2}, {8, -2, -2}, {-1, -2, -2}, {2, 2, 2}};
    for (const Case& c : cases) {
        floor.trigger(c.code);
        EXPECT_EQ(floor.scrollU, c.u) << c.code;
        EXPECT_EQ(floor.scrollV, c.v) << c.code;
    }
    floor.trigger(6);
    floor.texOffsetU = 0.75f;
    step(1.0);
    EXPECT_EQ(floor.texOffsetU, 0.75f);  // stopped, but keeps its offset
    floor.trigger(2);
    step(0.5);
    EXPECT_EQ(floor.texOffsetU, 1.75f);
    EXPECT_EQ(floor.texOffsetV, 1.0f);
    EXPECT_FALSE(floor.dropActive);
}

TEST_F(FloorTest, TheLitFloorFillsTheLowerHalfOfTheView) {
    step();
    glTranslatef(0, -20, 0);
    floor.draw();
    capture();
    const test::Rgba clear{179, 0, 128, 255};
    EXPECT_TRUE(test::near(pixel(400, 100), clear, 2)) << "above the horizon";
    EXPECT_FALSE(test::near(pixel(400, 550), clear, 10)) << "the floor below the camera";
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_LIGHT0));
    GLint mode = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
}

}  // namespace
}  // namespace qm
