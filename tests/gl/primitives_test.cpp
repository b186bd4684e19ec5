// Cubes, inverted cubes, squares and points: what a viewer sees, edge strips, the blend state left behind.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <tuple>
#include <vector>

#include "base/frame_clock.h"
#include "objects/primitives.h"
#include "support/gl_test.h"
#include "support/test_materials.h"

namespace qm {
namespace {

using test::Rgba;
using ::testing::PrintToString;

const Rgba kClear{179, 0, 128, 255};

class PrimitivesTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        first = &test::addSolidMaterial(materials(), "first", {60, 60, 60, 255});
        clouds = &test::addSolidMaterial(materials(), "clouds", {0, 100, 0, 255});
        blue = &test::addSolidMaterial(materials(), "blue", {0, 0, 100, 255});
        test::addQuadrantMaterial(materials(), "quadrants");
    }

    void clearTo(float r, float g, float b) {
        glClearColor(r, g, b, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }
    // Draws one object the way the draw walk does, from an identity view.
    void drawFromOrigin(SceneObject& object) {
        glLoadIdentity();
        object.drawTree(run().frameContext(true));
    }

    const Material* first = nullptr;
    const Material* clouds = nullptr;
    const Material* blue = nullptr;
};

TEST_F(PrimitivesTest, ADefaultCubeSitsThreeUnitsAheadAndAddsItsCloudsWithEdgesOnTop) {
    Cube cube{kinds()};
    cube.init();
    EXPECT_EQ(cube.material, clouds);
    drawFromOrigin(cube);
    capture();
    // The front face at z = -2 spans a third of the screen's width around the middle.
    EXPECT_TRUE(test::near(pixel(400, 300), {179, 100, 128, 255})) << "clouds added onto the clear colour";
    EXPECT_TRUE(test::near(pixel(250, 300), {179, 100, 128, 255}));
    EXPECT_TRUE(test::near(pixel(215, 300), kClear)) << "outside the cube";
    // The top edge, drawn by two faces' strips, is added over the face once more.
    int brightest = 0;
    for (int y = 120; y < 150; ++y) brightest = std::max(brightest, pixel(400, y)[1]);
    EXPECT_GE(brightest, 190);
    EXPECT_TRUE(cube.rotating);
    EXPECT_EQ(cube.rotation.y, 360) << "the zero-speed spin wraps the angles on the first drawn frame";
}

TEST_F(PrimitivesTest, WhatIsDrawnAfterACubeWithoutItsOwnBlendStateIsAddedToo) {
    Cube cube{kinds()};
    cube.init();
    drawFromOrigin(cube);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    GLint source = 0, destination = 0;
    glGetIntegerv(GL_BLEND_SRC, &source);
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(source, GL_SRC_ALPHA);
    EXPECT_EQ(destination, GL_ONE);

    Square square{kinds()};
    square.init();
    square.material = blue;
    square.position = {3, 0, -5};
    drawFromOrigin(square);
    capture();
    EXPECT_TRUE(test::near(pixel(620, 300), {179, 0, 228, 255})) << "the square is added, not laid over";
}

TEST_F(PrimitivesTest, CubeMaterialsComeFromTheWholeLoadWordAndFromTriggerCodesZeroAndOne) {
    Cube cube{kinds()};
    InvCube inverted{kinds()};
    cube.init();
    inverted.init();
    struct Step {
        bool isTrigger;
        int code;
        const char* word;
        const Material* expected;
    };
    const std::vector<Step> steps = {
        {false, 0, "blue", blue},
        {true, 0, nullptr, clouds},
        {true, 1, nullptr, blue},
        {true, 2, nullptr, blue},
        {true, -1, nullptr, blue},
        {true, 255, nullptr, blue},
        {false, 0, "clouds,blue", first},  // one name, comma included: no such material
        {false, 0, "quadrants", materials().find("quadrants")},
        {false, 0, " blue", first},  // not trimmed either
    };
    for (const Step& s : steps) {
        for (SceneObject* object : {static_cast<SceneObject*>(&cube), static_cast<SceneObject*>(&inverted)}) {
            if (s.isTrigger)
                object->trigger(s.code);
            else
                object->load(s.word);
        }
        const std::string what =
            s.isTrigger ? "trigger " + std::to_string(s.code) : std::string("load ") + s.word;
        EXPECT_EQ(cube.material, s.expected) << what;
        EXPECT_EQ(inverted.material, s.expected) << what;
    }
}

TEST_F(PrimitivesTest, SquaresAndPointsIgnoreEveryTriggerCode) {
    Square square{kinds()};
    square.init();
    square.load("blue");
    Point point;
    point.load("blue");
    for (int code : {0, 1, 2, -1, 255}) {
        square.trigger(code);
        point.trigger(code);
        EXPECT_EQ(square.material, blue) << code;
    }
    point.init();
    EXPECT_EQ(point.position, Vec3{});
    EXPECT_FALSE(point.rotating);
    drawFromOrigin(point);
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), kClear));
}

// The cube seen from outside and the inverted cube seen from inside, each side face
// brought in front of the viewer by turning the object: the picture shows upright
// and unmirrored (red top left, green top right, blue bottom left, white bottom right).
class SideFaceTest : public PrimitivesTest, public ::testing::WithParamInterface<std::tuple<bool, float>> {};

TEST_P(SideFaceTest, ShowsThePictureUprightAndUnmirrored) {
    const auto [inside, angle] = GetParam();
    clearTo(0, 0, 0);  // the cube adds onto black
    Vec3 five{5, 5, 5};
    int left = 317, right = 483, top = 217, bottom = 383;  // quadrant centres of the cube's front face
    if (inside) {
        InvCube box{kinds()};
        box.init();
        box.load("quadrants");
        box.position = {};
        box.scale = &five;  // the viewer stands in the middle of the box
        box.rotation.y = angle;
        drawFromOrigin(box);
        left = 233, right = 567, top = 133, bottom = 467;  // on the wall 5 units ahead
    } else {
        Cube cube{kinds()};
        cube.init();
        cube.load("quadrants");
        cube.rotation.y = angle;
        drawFromOrigin(cube);
    }
    capture();
    EXPECT_TRUE(test::near(pixel(left, top), {255, 0, 0, 255})) << PrintToString(pixel(left, top));
    EXPECT_TRUE(test::near(pixel(right, top), {0, 255, 0, 255})) << PrintToString(pixel(right, top));
    EXPECT_TRUE(test::near(pixel(left, bottom), {0, 0, 255, 255})) << PrintToString(pixel(left, bottom));
    EXPECT_TRUE(test::near(pixel(right, bottom), {255, 255, 255, 255}))
        << PrintToString(pixel(right, bottom));
}

INSTANTIATE_TEST_SUITE_P(BothCubes, SideFaceTest,
                         ::testing::Combine(::testing::Bool(),
                                            ::testing::Values(0.0f, 90.0f, 180.0f, 270.0f)),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param) ? "Inside" : "Outside") + "Turned" +
                                    std::to_string(static_cast<int>(std::get<1>(info.param)));
                         });

TEST_F(PrimitivesTest, TheSquareShowsItsPictureUprightAndUnmirrored) {
    Square square{kinds()};
    square.init();
    square.load("quadrants");
    square.position = {0, 0, -3};
    drawFromOrigin(square);
    capture();
    EXPECT_TRUE(test::near(pixel(317, 217), {255, 0, 0, 255}));
    EXPECT_TRUE(test::near(pixel(483, 217), {0, 255, 0, 255}));
    EXPECT_TRUE(test::near(pixel(317, 383), {0, 0, 255, 255}));
    EXPECT_TRUE(test::near(pixel(483, 383), {255, 255, 255, 255}));
}

TEST_F(PrimitivesTest, FromOutsideAnInvertedCubeShowsOnlyItsFarInnerFaces) {
    InvCube box{kinds()};
    box.init();
    box.load("clouds");
    drawFromOrigin(box);
    // Something inside the box, drawn after it, is not hidden by its near face.
    Square inside{kinds()};
    inside.init();
    inside.load("blue");
    Vec3 small{0.3f, 0.3f, 0.3f};
    inside.scale = &small;
    inside.position = {0, 0, -3};
    drawFromOrigin(inside);
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), {0, 0, 100, 255})) << "the square inside";
    EXPECT_TRUE(test::near(pixel(340, 300), {0, 100, 0, 255})) << "the far face";
    EXPECT_TRUE(test::near(pixel(250, 300), {0, 100, 0, 255})) << "the left wall, seen from within";
    EXPECT_TRUE(test::near(pixel(215, 300), kClear)) << "outside the near face's outline";
}

TEST_F(PrimitivesTest, FromInsideOnlyTheInvertedFacesShow) {
    for (bool inverted : {false, true}) {
        clearTo(0, 0, 0);
        glLoadIdentity();
        glScalef(10, 10, 10);
        glDisable(GL_BLEND);
        clouds->apply();
        inverted ? drawInvertedCubeFaces(true) : drawCubeFaces(true);
        capture();
        int covered = 0;
        for (int y = 0; y < 600; y += 25)
            for (int x = 0; x < 800; x += 25) covered += pixel(x, y)[1] == 100;
        EXPECT_EQ(covered, inverted ? 32 * 24 : 0) << (inverted ? "inverted" : "outside") << " faces";
    }
}

// Line segments that GL's feedback mode reports for the edges, in object coordinates
// of a cube drawn at half size with identity projection.
struct Segment {
    std::array<int, 3> from, to;
};

std::array<int, 3> objectCorner(const GLfloat* v) {
    const auto round = [](float f) { return static_cast<int>(f > 0 ? f + 0.5f : f - 0.5f); };
    return {round((v[0] / 400 - 1) * 2), round((v[1] / 300 - 1) * 2), round((v[2] * 2 - 1) * 2)};
}

std::vector<Segment> recordEdges() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    glScalef(0.5f, 0.5f, 0.5f);
    std::vector<GLfloat> buffer(8192);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), GL_3D, buffer.data());
    glRenderMode(GL_FEEDBACK);
    drawCubeEdges(true);
    const GLint used = glRenderMode(GL_RENDER);
    std::vector<Segment> segments;
    for (GLint i = 0; i + 6 < used; i += 7) {
        const GLfloat token = buffer[i];
        EXPECT_TRUE(token == GL_LINE_RESET_TOKEN || token == GL_LINE_TOKEN) << token;
        segments.push_back({objectCorner(&buffer[i + 1]), objectCorner(&buffer[i + 4])});
    }
    return segments;
}

TEST_F(PrimitivesTest, EachFaceEdgeStripLeavesOutItsClosingSegment) {
    const std::vector<Segment> segments = recordEdges();
    // Six strips of four vertices give three segments each; closed loops would give 24.
    ASSERT_EQ(segments.size(), 18u);
    std::set<std::pair<std::array<int, 3>, std::array<int, 3>>> edges;
    for (size_t i = 0; i < segments.size(); ++i) {
        const Segment& s = segments[i];
        if (i % 3 != 0) {
            EXPECT_EQ(s.from, segments[i - 1].to) << "a strip is one connected line";
        }
        if (i % 3 == 2) {
            EXPECT_NE(s.to, segments[i - 2].from) << "a strip's end is not its start";
        }
        // Every segment is one edge of the cube: two coordinates equal, the third flips.
        int differing = 0;
        for (int a = 0; a < 3; ++a) differing += s.from[a] != s.to[a];
        EXPECT_EQ(differing, 1);
        edges.insert(std::minmax(s.from, s.to));
    }
    EXPECT_EQ(edges.size(), 12u) << "together the strips still draw every edge";
    // The face z = +1 does not join (1, -1, 1) back to (1, 1, 1) itself.
    for (int i = 0; i < 3; ++i)
        EXPECT_NE(std::minmax(segments[i].from, segments[i].to),
                  std::minmax(std::array<int, 3>{1, -1, 1}, std::array<int, 3>{1, 1, 1}));
}

}  // namespace
}  // namespace qm
