// The torus knot and the wobbling ball: shapes, trigger codes, shared phases, trace, and pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <sstream>

#include "base/frame_clock.h"
#include "base/trace.h"
#include "objects/ball.h"
#include "objects/torus_knot.h"
#include "support/gl_test.h"
#include "support/knot_reference.h"

namespace qm {
namespace {

float length(float x, float y, float z) { return std::sqrt(x * x + y * y + z * z); }

class KindTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        frameClock = FrameClock{};
        ballPhases = BallPhases{};
        nullTrace = std::fopen("/dev/null", "w");
        setTraceFile(nullTrace);
    }
    void TearDown() override {
        setTraceFile(nullptr);
        std::fclose(nullTrace);
        GlTest::TearDown();
    }
    void tick(double seconds) {
        frameClock.delta = seconds;
        frameClock.now += seconds;
    }
    int countDiffering(const test::Rgba& colour, int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) count += !test::near(pixel(x, y), colour, 10);
        return count;
    }
    std::FILE* nullTrace = nullptr;
};

TEST_F(KindTest, TheDefaultKnotFollowsItsCurveWithATubeBetween2And12) {
    TorusKnot knot;
    knot.init();
    for (int frame = 0; frame < 30; ++frame) {
        tick(0.037);
        knot.update();
        for (int b = 0; b <= 200; b += 7) {
            const float theta = b * 0.005f * 6.2831855f;
            const float r = 16 * (2 + std::sin(theta));
            EXPECT_NEAR(knot.knotPoints[b].x, r * std::cos(2 * theta), 1e-3);
            EXPECT_NEAR(knot.knotPoints[b].y, r * std::cos(theta), 1e-3);
            EXPECT_NEAR(knot.knotPoints[b].z, r * std::sin(2 * theta), 1e-3);
        }
        for (int k = 0; k < 201; k += 13)
            for (int v = 0; v < 40; ++v) {
                const NormalVertex& vertex = knot.vertices[40 * k + v];
                const Vec3& p0 = knot.knotPoints[(k + v % 2) % 200];
                const float radius = length(vertex.x - p0.x, vertex.y - p0.y, vertex.z - p0.z);
                ASSERT_GE(radius, 2 - 1e-3);
                ASSERT_LE(radius, 12 + 1e-3);
                ASSERT_NEAR(length(vertex.nx, vertex.ny, vertex.nz), 1, 1e-5);
            }
    }
    // Whole winding numbers close the curve: point 200 is point 0.
    EXPECT_NEAR(knot.knotPoints[200].x, knot.knotPoints[0].x, 1e-3);
}

TEST_F(KindTest, KnotTriggerCodesStepTheTargetsAndAddSwell) {
    TorusKnot knot;
    for (int i = 0; i < 10; ++i) knot.trigger(1);
    EXPECT_EQ(knot.targetP, 12);
    knot.trigger(1);  // 13 is past 12
    EXPECT_EQ(knot.targetP, 0);
    knot.trigger(1);
    EXPECT_EQ(knot.targetP, 1);
    knot.trigger(2);
    EXPECT_EQ(knot.targetQ, 2);
    knot.trigger(3);
    knot.trigger(3);
    EXPECT_EQ(knot.swell, 80);
    for (int code : {0, 4, -1, -3, 255}) knot.trigger(code);
    EXPECT_EQ(knot.targetP, 1);
    EXPECT_EQ(knot.targetQ, 2);
    EXPECT_EQ(knot.swell, 80);

    // The winding numbers glide towards their targets and the swell decays.
    knot.init();
    tick(0.1);
    knot.update();
    EXPECT_FLOAT_EQ(knot.knotP, 2 + (1 - 2) * 0.3f);
    EXPECT_FLOAT_EQ(knot.swell, 80 * 0.2f);
    EXPECT_FLOAT_EQ(knot.phase, 0.8f);
}

TEST_F(KindTest, TheKnotTraceIsTwoStreamFormattedLinesPerVertexEveryFrame) {
    std::FILE* captured = std::tmpfile();
    setTraceFile(captured);
    TorusKnot knot;
    knot.init();
    knot.trigger(1);
    knot.trigger(3);
    size_t written = 0;
    for (int frame = 0; frame < 3; ++frame) {
        tick(0.05 + frame * 0.01);
        knot.update();
        std::ostringstream reference;
        test::writeReferenceKnotTrace(knot, reference);
        ASSERT_EQ(knot.lastTrace(), reference.str()) << "frame " << frame;
        EXPECT_EQ(std::count(knot.lastTrace().begin(), knot.lastTrace().end(), '\n'), 16080);
        written += knot.lastTrace().size();
    }
    EXPECT_EQ(std::ftell(captured), static_cast<long>(written));
    EXPECT_EQ(knot.lastTrace().compare(0, 3, "n2:"), 0);
    std::fclose(captured);
    setTraceFile(nullTrace);
}

TEST_F(KindTest, TheBallAtRestIsStretchedAlongZ) {
    VBall ball;
    ball.init();
    EXPECT_TRUE(ball.rotating);
    tick(0.02);
    ball.update();
    // Vertex 1 (i = 0, j = 0, n = 0) is the +z pole; vertex 0 is one latitude step away.
    const NormalVertex& pole = ball.vertices[1];
    EXPECT_NEAR(pole.x, 0, 1e-4);
    EXPECT_NEAR(pole.y, 0, 1e-4);
    EXPECT_NEAR(pole.z, 60, 1e-4);
    const NormalVertex& next = ball.vertices[0];
    EXPECT_NEAR(std::acos(next.z / length(next.x, next.y, next.z)), 3.1415927 / 50, 1e-5);
    // Latitude 25 of 50 is the equator, radius 40; latitude 50 the -z pole, radius 60.
    const NormalVertex& equator = ball.vertices[2 * (24 * 50 + 7)];  // i = 24, n = 1
    EXPECT_NEAR(length(equator.x, equator.y, equator.z), 40, 1e-3);
    const NormalVertex& south = ball.vertices[2 * (49 * 50 + 3)];  // i = 49, n = 1
    EXPECT_NEAR(south.z, -60, 1e-3);
}

TEST_F(KindTest, BallsShareTheirPhasesAndWobbleOnlyAfterTheirOwnCode1) {
    VBall one, two;
    one.init();
    two.init();
    tick(0.1);
    one.update();
    two.update();
    EXPECT_FLOAT_EQ(ballPhases.a, 2.0f);  // two balls advance the shared phases twice
    EXPECT_FLOAT_EQ(ballPhases.b, 1.6f);
    for (int code : {0, 2, -1}) one.trigger(code);
    EXPECT_FALSE(one.wobbling);
    one.trigger(1);
    EXPECT_TRUE(one.wobbling);
    EXPECT_FALSE(two.wobbling);
    for (int i = 0; i < 10; ++i) {
        one.update();
        two.update();
    }
    EXPECT_FLOAT_EQ(ballPhases.wobble, 0.1f);  // once per wobbling ball and update
    EXPECT_GT(one.wobble, 0);
    EXPECT_EQ(two.wobble, 0);
}

TEST_F(KindTest, ABallOrKnotDrawnBeforeItsFirstUpdateDrawsNothing) {
    VBall ball;
    ball.init();
    TorusKnot knot;
    knot.init();
    glTranslatef(0, 0, -200);
    ball.draw();
    knot.draw();
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), {179, 0, 128, 255}));
}

TEST_F(KindTest, TheLitBallAndKnotShowWhereTheyStand) {
    VBall ball;
    ball.init();
    tick(0.02);
    ball.update();
    glPushMatrix();
    glTranslatef(-60, 0, -250);
    ball.draw();
    glPopMatrix();
    TorusKnot knot;
    knot.init();
    knot.update();
    glPushMatrix();
    glTranslatef(70, 0, -250);
    knot.draw();
    glPopMatrix();
    capture();
    const test::Rgba clear{179, 0, 128, 255};
    // At 250 units the view is 600 units wide: the ball stands around x = 320, the
    // knot (radius up to 60) around x = 493; between them and at the corners the frame stays clear.
    EXPECT_FALSE(test::near(pixel(320, 300), clear, 10)) << "ball";
    EXPECT_GT(countDiffering(clear, 440, 200, 580, 400), 2000) << "knot";
    EXPECT_EQ(countDiffering(clear, 0, 0, 150, 600), 0);
    EXPECT_EQ(countDiffering(clear, 650, 0, 800, 600), 0);
    EXPECT_TRUE(test::near(pixel(5, 5), clear));
    EXPECT_TRUE(test::near(pixel(795, 595), clear));
    // The knot leaves lighting, culling and additive blending on for what follows.
    EXPECT_TRUE(glIsEnabled(GL_LIGHTING));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_ONE);
    EXPECT_EQ(dst, GL_ONE);
    EXPECT_TRUE(glIsEnabled(GL_COLOR_MATERIAL));  // the ball's init turned it on for good
}

}  // namespace
}  // namespace qm
