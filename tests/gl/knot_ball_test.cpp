// The torus knot and the wobbling ball: shapes, trigger codes, shared phases, trace, and pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <iomanip>
#include <sstream>
#include <string>
#include <string_view>
#include <vector>

#include "base/frame_clock.h"
#include "base/paths.h"
#include "base/trace.h"
#include "objects/ball.h"
#include "objects/torus_knot.h"
#include "support/gl_test.h"

namespace qm {
namespace {

class KindTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        run().trace.setFile(nowhere.get());  // the knot's 16,080 lines a frame are built, and dropped
    }
    void tick(double seconds) {
        run().clock.delta = seconds;
        run().clock.now += seconds;
    }
    int countDiffering(const test::Rgba& colour, int x0, int y0, int x1, int y1) {
        int count = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = x0; x < x1; ++x) count += !test::near(pixel(x, y), colour, 10);
        return count;
    }

    FileHandle nowhere{std::fopen("/dev/null", "w")};
};

// Vertices worked out from the knot's formulas by tests/gl/formulas/knot_ball_floor_values.py
// (single-precision arithmetic emulated step by step). Each is {band k, ring step n, side t}
// with its normal, its position, and the n-hat and b-hat of its two trace lines.
struct KnotPin {
    int k, n, t;
    Vec3 normal, position, nHat, bHat;
};

// With the defaults after one 0.05 s update (phase 0.4).
// clang-format off
const KnotPin kKnotAtRest[] = {
    {0, 20, 0, {0.676975727f, 0.669785738f, -0.305108011f}, {36.8626022f, 36.810955f, -2.19153857f}, {0.676975846f, 0.669785619f, -0.305108011f}, {-0.7070086f, 0.7070086f, -0.0166616961f}},
    {0, 1, 1, {0.44289574f, 0.86080265f, -0.250723124f}, {36.0347672f, 39.4762802f, 0.00497150421f}, {0.694814444f, 0.675295413f, -0.24740459f}, {-0.705178082f, 0.707270384f, -0.0499241389f}},
    {57, 13, 1, {0.497702569f, -0.576007128f, 0.648465872f}, {-38.0694504f, -15.9238491f, -18.2530365f}, {-0.868837059f, -0.226124674f, -0.440442652f}, {0.0160526764f, 0.876272917f, -0.481547534f}},
    {131, 6, 0, {0.343657881f, 0.881201386f, 0.324627995f}, {-3.93055606f, -2.91252136f, 20.2618732f}, {-0.693004251f, -0.318649501f, 0.646689713f}, {0.136172429f, 0.823014498f, 0.551456451f}},
    {199, 3, 0, {-0.186881691f, 0.962082505f, -0.198676616f}, {30.2993736f, 37.3296204f, -3.18532658f}, {0.655171931f, 0.663678706f, -0.360943526f}, {-0.7070086f, 0.7070086f, 0.0166629907f}},
    {199, 7, 1, {-0.969898403f, 0.178291962f, 0.165858373f}, {25.0333862f, 33.2806396f, 1.19133234f}, {0.676975846f, 0.669785619f, -0.305108011f}, {-0.7070086f, 0.7070086f, -0.0166616961f}},
    {200, 15, 0, {0.7070086f, -0.7070086f, 0.0166616924f}, {37.0783234f, 26.9216785f, 0.11967808f}, {0.676975846f, 0.669785619f, -0.305108011f}, {-0.7070086f, 0.7070086f, -0.0166616961f}},
    {200, 15, 1, {0.705178082f, -0.707270384f, 0.0499241352f}, {38.1645088f, 26.7434673f, 2.44623923f}, {0.694814444f, 0.675295413f, -0.24740459f}, {-0.705178082f, 0.707270384f, -0.0499241389f}},
};
// clang-format on

// After codes 1, 2, 3 (and 0 and 4, which do nothing) and three 0.1 s updates:
// p 2.657, q 1.657, swell 0.32, phase 2.4. The curve no longer closes, so point 199
// (whose next point is point 0) and bands 199 and 200 show that indices wrap at 200.
// clang-format off
const KnotPin kKnotTriggered[] = {
    {0, 20, 0, {0.663621664f, 0.654373646f, -0.362493396f}, {35.8986511f, 35.8443222f, -2.12957954f}, {0.663621783f, 0.654373527f, -0.362493396f}, {-0.706991792f, 0.706991792f, -0.0180374067f}},
    {0, 1, 1, {0.4397856f, 0.853262484f, -0.280234993f}, {34.9751015f, 37.1668243f, 1.2993083f}, {0.691346943f, 0.667267561f, -0.277116269f}, {-0.704570949f, 0.707577229f, -0.0539832376f}},
    {57, 13, 1, {-0.399162829f, -0.178147376f, 0.899406791f}, {1.46985626f, -34.9919586f, -27.1412506f}, {0.456636995f, -0.671286404f, -0.583829761f}, {0.161626294f, 0.707920134f, -0.687550843f}},
    {131, 6, 0, {0.266410857f, 0.500988126f, 0.823429406f}, {0.568947077f, 40.1908722f, -30.8051834f}, {-0.0686300248f, 0.655619562f, -0.751966f}, {0.257821739f, 0.739794016f, 0.621476352f}},
    {199, 3, 0, {-0.482608497f, 0.679380119f, -0.552749217f}, {-14.9048615f, -7.06672382f, -18.5234718f}, {0.151940599f, 0.182827353f, -0.971333146f}, {-0.706928134f, 0.706928134f, 0.0224791206f}},
    {199, 7, 1, {-0.962035418f, 0.187337279f, 0.198475674f}, {26.3482246f, 33.1005707f, 1.1660068f}, {0.663621783f, 0.654373527f, -0.362493396f}, {-0.706991792f, 0.706991792f, -0.0180374067f}},
    {200, 15, 0, {0.706991732f, -0.706991732f, 0.0180374011f}, {36.1534424f, 27.8465576f, 0.1059663f}, {0.663621783f, 0.654373527f, -0.362493396f}, {-0.706991792f, 0.706991792f, -0.0180374067f}},
    {200, 15, 1, {0.704570949f, -0.707577229f, 0.0539832301f}, {36.3339272f, 29.1569004f, 3.01445007f}, {0.691346943f, 0.667267561f, -0.277116269f}, {-0.704570949f, 0.707577229f, -0.0539832376f}},
};
// clang-format on

// The script's --spread shows that a one-ulp difference in every sine moves these
// positions by up to 1.6e-5 and the unit vectors by up to 3.3e-6; the tolerances
// allow six times that, while a changed constant or sign moves them by 1e-3 or more.
constexpr double kKnotPositionTolerance = 1e-4;
constexpr double kKnotUnitTolerance = 2e-5;

::testing::AssertionResult near(const Vec3& actual, const Vec3& expected, double tolerance) {
    if (std::fabs(actual.x - expected.x) <= tolerance && std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << std::setprecision(9) << "(" << actual.x << ", " << actual.y << ", " << actual.z
           << ") instead of (" << expected.x << ", " << expected.y << ", " << expected.z << ")";
}

Vec3 normalOf(const NormalVertex& v) {
    return {v.nx, v.ny, v.nz};
}
Vec3 positionOf(const NormalVertex& v) {
    return {v.x, v.y, v.z};
}

// Line `index` (from 0) of a trace text, and the vector it prints after its label.
std::string_view lineOf(std::string_view text, size_t index) {
    size_t begin = 0;
    for (size_t i = 0; i < index; ++i) begin = text.find('\n', begin) + 1;
    return text.substr(begin, text.find('\n', begin) - begin);
}

Vec3 vectorOf(std::string_view line) {
    Vec3 v;
    const std::string text(line.substr(line.find(':') + 1));
    std::sscanf(text.c_str(), "%f %f %f", &v.x, &v.y, &v.z);
    return v;
}

void expectKnotPins(const TorusKnot& knot, const KnotPin (&pins)[8]) {
    for (const KnotPin& pin : pins) {
        SCOPED_TRACE(::testing::Message() << "band " << pin.k << ", step " << pin.n << ", side " << pin.t);
        const int index = 40 * pin.k + 2 * (20 - pin.n) + pin.t;
        EXPECT_TRUE(near(normalOf(knot.vertices[index]), pin.normal, kKnotUnitTolerance));
        EXPECT_TRUE(near(positionOf(knot.vertices[index]), pin.position, kKnotPositionTolerance));
        const std::string_view n2 = lineOf(knot.lastTrace(), 2 * index);
        const std::string_view b = lineOf(knot.lastTrace(), 2 * index + 1);
        EXPECT_EQ(n2.substr(0, 3), "n2:");
        EXPECT_EQ(b.substr(0, 2), "b:");
        // Six significant digits in the trace: 5e-7 on components below 1.
        EXPECT_TRUE(near(vectorOf(n2), pin.nHat, kKnotUnitTolerance)) << n2;
        EXPECT_TRUE(near(vectorOf(b), pin.bHat, kKnotUnitTolerance)) << b;
    }
}

TEST_F(KindTest, KnotVerticesAndTraceFollowTheFormulasAtRestAndAfterTriggerCodes) {
    TorusKnot rest{kinds()};
    rest.init();
    tick(0.05);
    rest.update(run().frameContext(true));
    expectKnotPins(rest, kKnotAtRest);
    // Whole winding numbers close the curve: point 200 is point 0.
    EXPECT_TRUE(near(rest.knotPoints[200], rest.knotPoints[0], kKnotPositionTolerance));

    TorusKnot moved{kinds()};
    moved.init();
    for (int code : {1, 2, 3, 0, 4}) moved.trigger(code);
    for (int frame = 0; frame < 3; ++frame) {
        tick(0.1);
        moved.update(run().frameContext(true));
    }
    expectKnotPins(moved, kKnotTriggered);
}

TEST_F(KindTest, KnotTriggerCodesStepTheTargetsAndAddSwell) {
    TorusKnot knot{kinds()};
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
    knot.update(run().frameContext(true));
    EXPECT_FLOAT_EQ(knot.knotP, 2 + (1 - 2) * 0.3f);
    EXPECT_FLOAT_EQ(knot.swell, 80 * 0.2f);
    EXPECT_FLOAT_EQ(knot.phase, 0.8f);
}

// The numbers are pinned above; this checks the text around them: per vertex an "n2:"
// and a "b:" line of three floats in an output stream's default format (a float
// printed with six digits reads back to the value that prints the same), the two
// lines of curve point (k + t) mod 200, every frame, all of it written.
TEST_F(KindTest, TheKnotTraceIsTwoStreamFormattedLinesPerVertexEveryFrame) {
    std::FILE* captured = std::tmpfile();
    run().trace.setFile(captured);
    TorusKnot knot{kinds()};
    knot.init();
    knot.trigger(1);
    knot.trigger(3);
    size_t written = 0;
    for (int frame = 0; frame < 3; ++frame) {
        tick(0.05 + frame * 0.01);
        knot.update(run().frameContext(true));
        const std::string& trace = knot.lastTrace();
        std::vector<std::string_view> lines;
        for (size_t begin = 0; begin < trace.size();) {
            const size_t end = trace.find('\n', begin);
            ASSERT_NE(end, std::string::npos) << "the last line ends with a line feed";
            lines.push_back(std::string_view(trace).substr(begin, end - begin));
            begin = end + 1;
        }
        ASSERT_EQ(lines.size(), 16080u);
        for (size_t i = 0; i < lines.size(); ++i) {
            const Vec3 v = vectorOf(lines[i]);
            std::ostringstream reprinted;
            reprinted << (i % 2 ? "b:" : "n2:") << v.x << " " << v.y << " " << v.z;
            ASSERT_EQ(lines[i], reprinted.str()) << "frame " << frame << ", line " << i;
        }
        for (int k = 0; k <= 200; ++k)
            for (int step = 0; step < 20; ++step)
                for (int t = 0; t <= 1; ++t) {
                    const size_t vertex = 40 * k + 2 * step + t;
                    const size_t first = 40 * ((k + t) % 200);  // band (k + t) mod 200, side 0, of that point
                    ASSERT_EQ(lines[2 * vertex], lines[2 * first]) << vertex;
                    ASSERT_EQ(lines[2 * vertex + 1], lines[2 * first + 1]) << vertex;
                }
        written += trace.size();
    }
    EXPECT_EQ(std::ftell(captured), static_cast<long>(written));
    run().trace.setFile(nowhere.get());
    std::fclose(captured);
}

// Ball vertices from the same script, {latitude band i, sample j, n}: at rest the
// radius is 60 at the poles and 40 at the equator; with the wave the shape depends
// on the phases too.
struct BallPin {
    int i, j, n;
    Vec3 normal, position;
};

// After one 0.02 s update.
// clang-format off
const BallPin kBallAtRest[] = {
    {0, 0, 1, {0.0f, 0.0627905205f, 0.998026669f}, {0.0f, 3.68857837f, 58.628273f}},
    {0, 0, 0, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 60.0f}},  // vertex 1 is the +z pole
    {13, 40, 0, {-0.693290353f, 0.225263789f, 0.684547067f}, {-31.4896832f, 10.2316227f, 31.0925579f}},
    {24, 7, 1, {0.770513296f, 0.637423933f, -8.74227766e-08f}, {30.8205318f, 25.4969578f, -3.49691118e-06f}},
    {31, 22, 1, {0.333088905f, -0.841287017f, -0.425779343f}, {13.9575768f, -35.2528343f, -17.8416271f}},
    {49, 49, 1, {1.09569269e-08f, -8.67334293e-08f, -1.0f}, {6.57415626e-07f, -5.2040059e-06f, -60.0f}},
};
// clang-format on

// After code 1 and ten 1-second updates: phases A 100, B 80, wobble 1.5 sin(0.9).
// clang-format off
const BallPin kBallWobbling[] = {
    {0, 0, 1, {0.0f, 0.0627905205f, 0.998026729f}, {0.0f, 3.67678785f, 58.4408684f}},
    {0, 0, 0, {0.0f, 0.0f, 1.0f}, {0.0f, 0.0f, 60.0f}},
    {13, 40, 0, {-0.693290353f, 0.225263789f, 0.684547007f}, {-38.2913475f, 12.441618f, 37.8084412f}},
    {24, 7, 1, {0.770513296f, 0.637423933f, -8.74227766e-08f}, {33.5208626f, 27.7308636f, -3.80329175e-06f}},
    {31, 22, 1, {0.333088905f, -0.841286957f, -0.425779343f}, {27.2339878f, -68.7852325f, -34.8125343f}},
    {49, 49, 1, {1.09569269e-08f, -8.67334293e-08f, -1.0f}, {6.57415626e-07f, -5.2040059e-06f, -60.0f}},
};
// clang-format on

// A one-ulp difference in every sine moves these positions by up to 7.6e-6 and the
// normals by 1.2e-7 (--spread).
constexpr double kBallPositionTolerance = 5e-5;
constexpr double kBallUnitTolerance = 1e-6;

void expectBallPins(const VBall& ball, const BallPin (&pins)[6]) {
    for (const BallPin& pin : pins) {
        SCOPED_TRACE(::testing::Message() << "band " << pin.i << ", sample " << pin.j << ", n " << pin.n);
        const NormalVertex& v = ball.vertices[2 * (pin.i * 50 + pin.j) + (1 - pin.n)];
        EXPECT_TRUE(near(normalOf(v), pin.normal, kBallUnitTolerance));
        EXPECT_TRUE(near(positionOf(v), pin.position, kBallPositionTolerance));
    }
}

TEST_F(KindTest, BallVerticesFollowTheFormulasAtRestAndOnceCode1StartsTheWave) {
    VBall rest{kinds()};
    rest.init();
    EXPECT_TRUE(rest.rotating);
    tick(0.02);
    rest.update(run().frameContext(true));
    expectBallPins(rest, kBallAtRest);

    kinds().ballPhases = BallPhases{};
    VBall wobbling{kinds()};
    wobbling.init();
    wobbling.trigger(1);
    for (int frame = 0; frame < 10; ++frame) {
        tick(1.0);
        wobbling.update(run().frameContext(true));
    }
    EXPECT_NEAR(wobbling.wobble, 1.17499042f, 1e-6);
    expectBallPins(wobbling, kBallWobbling);
}

TEST_F(KindTest, BallsShareTheirPhasesAndWobbleOnlyAfterTheirOwnCode1) {
    VBall one{kinds()}, two{kinds()};
    const BallPhases& ballPhases = kinds().ballPhases;
    one.init();
    two.init();
    tick(0.1);
    one.update(run().frameContext(true));
    two.update(run().frameContext(true));
    EXPECT_FLOAT_EQ(ballPhases.a, 2.0f);  // two balls advance the shared phases twice
    EXPECT_FLOAT_EQ(ballPhases.b, 1.6f);
    for (int code : {0, 2, -1}) one.trigger(code);
    EXPECT_FALSE(one.wobbling);
    one.trigger(1);
    EXPECT_TRUE(one.wobbling);
    EXPECT_FALSE(two.wobbling);
    for (int i = 0; i < 10; ++i) {
        one.update(run().frameContext(true));
        two.update(run().frameContext(true));
    }
    EXPECT_FLOAT_EQ(ballPhases.wobble, 0.1f);  // once per wobbling ball and update
    EXPECT_GT(one.wobble, 0);
    EXPECT_EQ(two.wobble, 0);
}

// Drawn over two backgrounds, the ring just outside the white body (54.8 pixels from
// the middle at 250 units; the shells reach 57.7, 60.8 and 64.0) differs by exactly
// the backgrounds' difference: the shells add their light to what lies behind them.
TEST_F(KindTest, TheBallsGlowShellsAddToWhatLiesBehindThem) {
    VBall ball{kinds()};
    ball.init();
    tick(0.02);
    ball.update(run().frameContext(true));
    const int ring[][2] = {
        {400 + 59, 300}, {400 - 59, 300}, {400, 300 + 59}, {400, 300 - 62}, {400 + 62, 300}};
    std::vector<test::Rgba> seen[2];
    for (int background : {0, 100}) {
        glClearColor(background / 255.0f, background / 255.0f, background / 255.0f, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, -250);
        ball.draw(run().frameContext(true));
        capture();
        for (const auto& p : ring) seen[background != 0].push_back(pixel(p[0], p[1]));
    }
    for (size_t i = 0; i < std::size(ring); ++i) {
        SCOPED_TRACE(::testing::Message() << "pixel " << ring[i][0] << ", " << ring[i][1]);
        EXPECT_GT(seen[0][i][1], 4) << "a shell covers it";
        for (int c = 0; c < 3; ++c) EXPECT_NEAR(seen[1][i][c] - seen[0][i][c], 100, 1) << "channel " << c;
    }
}

TEST_F(KindTest, ABallOrKnotDrawnBeforeItsFirstUpdateDrawsNothing) {
    VBall ball{kinds()};
    ball.init();
    TorusKnot knot{kinds()};
    knot.init();
    glTranslatef(0, 0, -200);
    ball.draw(run().frameContext(true));
    knot.draw(run().frameContext(true));
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), {179, 0, 128, 255}));
}

TEST_F(KindTest, TheLitBallAndKnotShowWhereTheyStand) {
    VBall ball{kinds()};
    ball.init();
    tick(0.02);
    ball.update(run().frameContext(true));
    glPushMatrix();
    glTranslatef(-60, 0, -250);
    ball.draw(run().frameContext(true));
    glPopMatrix();
    TorusKnot knot{kinds()};
    knot.init();
    knot.update(run().frameContext(true));
    glPushMatrix();
    glTranslatef(70, 0, -250);
    knot.draw(run().frameContext(true));
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
