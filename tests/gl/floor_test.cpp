// The rippling floor: the integer wave, the drop, the torus wrap, scrolling and what a viewer sees.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/frame_clock.h"
#include "objects/floor.h"
#include "support/gl_test.h"
#include "support/test_materials.h"

namespace qm {
namespace {

class FloorTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        floor.init();
    }

    void step(double seconds = 0.02) {
        run().clock.delta = seconds;
        run().clock.now += seconds;
        floor.update(run().frameContext(true));
    }

    bool allFlat() {
        for (const Vec3& p : floor.current)
            if (p.z != 0) return false;
        for (const NormalVertex& v : floor.vertices)
            if (v.nx != 0 || v.ny != 0 || v.nz != 1) return false;
        return true;
    }

    ChessFloor floor{kinds()};
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
    run().clock.now = 10.0;
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

// Heights and vertices worked out from the wave rule by
// tests/gl/formulas/knot_ball_floor_values.py, which runs the whole 75 x 75 grid.
// Heights are whole numbers, so they must match exactly; the normals are unit
// vectors of whole-number differences, within a rounding step of single precision.
struct HeightPin {
    int row, column;
    float z;
};

struct VertexPin {
    int index;
    Vec3 normal, position;
};

::testing::AssertionResult near(const Vec3& actual, const Vec3& expected, double tolerance) {
    if (std::fabs(actual.x - expected.x) <= tolerance && std::fabs(actual.y - expected.y) <= tolerance &&
        std::fabs(actual.z - expected.z) <= tolerance)
        return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure()
           << "(" << actual.x << ", " << actual.y << ", " << actual.z << ") instead of (" << expected.x
           << ", " << expected.y << ", " << expected.z << ")";
}

// A drop at now = 10 with scroll code 5, then ten 0.02 s updates: seven pushes, and
// the ripple spreading from the centre.
TEST_F(FloorTest, ADropRipplesOutAsTheWaveRuleSays) {
    run().clock.now = 10.0;
    floor.trigger(1);
    floor.trigger(5);
    for (int frame = 0; frame < 10; ++frame) step(0.02);
    const HeightPin heights[] = {{37, 37, -24}, {36, 36, -32}, {38, 38, -32}, {37, 36, -18},
                                 {37, 38, -18}, {34, 37, -25}, {37, 31, -23}, {30, 30, 0}};
    for (const HeightPin& h : heights)
        EXPECT_EQ(floor.currentPoint(h.row, h.column).z, h.z) << h.row << ", " << h.column;
    // The mesh shows the heights before the last wave step, with their normals.
    const VertexPin vertices[] = {
        {5474, {0.0f, -0.44721359f, 0.89442718f}, {0.0f, 0.0f, -16.0f}},
        {5475, {0.0f, -0.44721359f, 0.89442718f}, {0.0f, -5.0f, -40.0f}},
        {5622, {-0.44721359f, 0.0f, 0.89442718f}, {-5.0f, 5.0f, -33.0f}},
        {5781, {0.34815532f, -0.34815532f, 0.870388269f}, {15.0f, 5.0f, -37.0f}},
        {5024, {0.0f, 0.813733459f, 0.58123821f}, {0.0f, -15.0f, -42.0f}},
        {74, {0.0f, 0.0f, 1.0f}, {0.0f, -180.0f, 0.0f}},
    };
    for (const VertexPin& v : vertices) {
        const NormalVertex& actual = floor.vertices[v.index];
        EXPECT_TRUE(near({actual.nx, actual.ny, actual.nz}, v.normal, 1e-6)) << "vertex " << v.index;
        EXPECT_EQ((Vec3{actual.x, actual.y, actual.z}), v.position) << "vertex " << v.index;
    }
    EXPECT_FLOAT_EQ(floor.texOffsetU, -0.399999976f);
    EXPECT_FLOAT_EQ(floor.texOffsetV, 0.399999976f);
}

TEST_F(FloorTest, HeightsAreWholeNumbersAndARippleWrapsAroundTheGridEdges) {
    floor.currentPoint(74, 20).z = -400;
    floor.currentPoint(20, 74).z = -400;
    for (int i = 0; i < 3; ++i) step();
    // Row 74's neighbour across the edge is row 0, and column 74's is column 0.
    const HeightPin heights[] = {{74, 20, 0}, {73, 20, -50}, {0, 20, -50}, {1, 20, 0}, {74, 21, -50},
                                 {20, 74, 0}, {20, 0, -50},  {20, 1, 0},   {21, 0, 0}};
    for (const HeightPin& h : heights)
        EXPECT_EQ(floor.currentPoint(h.row, h.column).z, h.z) << h.row << ", " << h.column;
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
    } cases[] = {{3, 0, 2},   {4, 2, 0},   {5, -2, 2},   {6, 0, 0},
                 {7, -2, -2}, {8, -2, -2}, {-1, -2, -2}, {2, 2, 2}};
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

// The texture coordinates OpenGL generates for every vertex drawn, grid and border,
// read back in feedback mode: a vertex at (x, y) samples (0.07 x + u, 0.07 y + v).
TEST_F(FloorTest, EveryVertexSamplesTheTextureAtSevenHundredthsOfItsPlacePlusTheScroll) {
    step();
    floor.material =
        &test::addSolidMaterial(materials(), "tiles", test::kWhite);  // texture coordinates need a texture
    floor.texOffsetU = 0.25f;
    floor.texOffsetV = -0.5f;
    // Straight above the floor, 1000 units square on the 800 x 600 window.
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glOrtho(-500, 500, -500, 500, -1000, 1000);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glRotatef(90, 1, 0, 0);  // undoes the floor's own turn: heights towards the viewer
    std::vector<GLfloat> buffer(1 << 21);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D_COLOR_TEXTURE, buffer.data());
    glRenderMode(GL_FEEDBACK);
    floor.draw(run().frameContext(true));
    const GLint used = glRenderMode(GL_RENDER);
    ASSERT_GT(used, 0);

    int vertices = 0;
    bool corner = false, gridPoint = false;
    for (GLint i = 0; i < used;) {
        ASSERT_EQ(buffer[i], GL_POLYGON_TOKEN);
        const int count = static_cast<int>(buffer[i + 1]);
        i += 2;
        for (int v = 0; v < count; ++v, i += 11, ++vertices) {
            const float x = buffer[i] / 0.8f - 500, y = buffer[i + 1] / 0.6f - 500;
            const float s = buffer[i + 7], t = buffer[i + 8];
            ASSERT_NEAR(s, 0.07f * x + 0.25f, 1e-3) << "vertex at " << x << ", " << y;
            ASSERT_NEAR(t, 0.07f * y - 0.5f, 1e-3) << "vertex at " << x << ", " << y;
            if (std::fabs(x - 400) < 1e-3 && std::fabs(y - 400) < 1e-3) {
                corner = true;
                EXPECT_NEAR(s, 28.25, 1e-4);
                EXPECT_NEAR(t, 27.5, 1e-4);
            }
            if (std::fabs(x + 185) < 1e-3 && std::fabs(y - 35) < 1e-3) {
                gridPoint = true;
                EXPECT_NEAR(s, -12.7, 1e-4);
                EXPECT_NEAR(t, 1.95, 1e-4);
            }
        }
    }
    EXPECT_TRUE(corner);
    EXPECT_TRUE(gridPoint);
    EXPECT_GE(vertices, 74 * 74 * 4 + 4 * 4);  // every quad of the grid and the border
}

TEST_F(FloorTest, TheLitFloorFillsTheLowerHalfOfTheView) {
    step();
    glTranslatef(0, -20, 0);
    floor.draw(run().frameContext(true));
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
