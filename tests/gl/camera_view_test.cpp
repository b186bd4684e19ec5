// What the root camera sees: position, yaw, pitch from a look-at target, spin, and the draw walk's nesting.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <memory>
#include <utility>

#include "base/frame_clock.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "support/gl_test.h"

namespace qm {
namespace {

using test::Rgba;

const Rgba kClear{179, 0, 128, 255};
const Rgba kGreen{0, 255, 0, 255};
const Rgba kRed{255, 0, 0, 255};

// Dithering may move a channel by one step.
::testing::AssertionResult looksLike(const Rgba& actual, const Rgba& expected) {
    if (test::near(actual, expected)) return ::testing::AssertionSuccess();
    ::testing::AssertionResult failure = ::testing::AssertionFailure();
    failure << "pixel (" << actual[0] << ", " << actual[1] << ", " << actual[2] << ", " << actual[3]
            << ") instead of (" << expected[0] << ", " << expected[1] << ", " << expected[2] << ", "
            << expected[3] << ")";
    return failure;
}

// A test-only kind: a flat square of one colour in its local x-y plane, facing +z.
class Quad : public SceneObject {
public:
    Quad(float r, float g, float b, float half = 1) : r_(r), g_(g), b_(b), half_(half) {}
    void draw(const FrameContext&) override {
        glDisable(GL_TEXTURE_2D);
        glColor4f(r_, g_, b_, 1);
        glBegin(GL_QUADS);
        glVertex3f(-half_, -half_, 0);
        glVertex3f(half_, -half_, 0);
        glVertex3f(half_, half_, 0);
        glVertex3f(-half_, half_, 0);
        glEnd();
    }
    void update(const FrameContext&) override {}
    void load(std::string_view) override {}
    void trigger(int) override {}

private:
    float r_, g_, b_, half_;
};

class CameraViewTest : public test::GlTest {
protected:
    void SetUp() override {
        test::GlTest::SetUp();
        scene.activate();
    }

    Quad* addQuad(const Rgba& colour, Vec3 position, Vec3 rotation = {}, float half = 1) {
        auto quad = std::make_unique<Quad>(colour[0] / 255.0f, colour[1] / 255.0f, colour[2] / 255.0f, half);
        quad->position = position;
        quad->rotation = rotation;
        return static_cast<Quad*>(scene.objects.add(std::move(quad)));
    }
    SceneObject& camera() { return *scene.objects.root; }
    void drawScene() {
        scene.draw(frameOf(delta));
        capture();
    }

    Scene scene{run().stage};
    double delta = 0;  // of every frame drawn
};

TEST_F(CameraViewTest, AnObjectAtTheOriginIsSeenInTheMiddleFromZTen) {
    addQuad(kGreen, {0, 0, 0});
    camera().position.set(0, 0, 10);
    drawScene();
    // A 2-unit square at distance 10 spans 2 / 10 / 2.4 of the 800-pixel width: 67 pixels.
    EXPECT_TRUE(looksLike(pixel(400, 300), kGreen));
    EXPECT_TRUE(looksLike(pixel(400 + 30, 300 - 20), kGreen));
    EXPECT_TRUE(looksLike(pixel(400 + 40, 300), kClear));
    EXPECT_TRUE(looksLike(pixel(400, 300 + 40), kClear));
}

TEST_F(CameraViewTest, YawNinetyLooksAlongMinusXWithMinusZOnTheRight) {
    addQuad(kGreen, {-10, 0, 0}, {0, 90, 0});  // ahead, turned to face the camera
    addQuad(kRed, {-10, 0, -3}, {0, 90, 0});   // 3 units to the right of it
    addQuad(kRed, {0, 0, -10});                // where a camera without yaw would look
    camera().rotation.set(0, 90, 0);
    drawScene();
    EXPECT_TRUE(looksLike(pixel(400, 300), kGreen));
    EXPECT_TRUE(looksLike(pixel(400 + 100, 300), kRed));  // 3 / 10 / 1.2 * 400 pixels right of the middle
    EXPECT_TRUE(looksLike(pixel(400 - 100, 300), kClear));
}

TEST_F(CameraViewTest, ALookAtTargetLiesStraightAheadEvenWhenTheCameraIsAbove) {
    Quad* target = addQuad(kGreen, {0, 0, 0}, {0, 90, 0});
    addQuad(kRed, {0, 20, 0}, {0, 90, 0});  // ahead from above if the pitch had the wrong sign
    camera().position.set(10, 0, 0);
    camera().lookAtTarget = &target->position;
    drawScene();
    EXPECT_NEAR(camera().rotation.y, 90, 1e-3);
    EXPECT_TRUE(looksLike(pixel(400, 300), kGreen));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    camera().position.set(10, 10, 0);
    drawScene();
    EXPECT_NEAR(camera().rotation.x, -45, 1e-2);
    EXPECT_TRUE(looksLike(pixel(400, 300), kGreen));
}

TEST_F(CameraViewTest, ASpinningCameraPansByRotateSpeedTimesDeltaPerDrawnFrame) {
    addQuad(kGreen, {-10, 0, 0}, {0, 90, 0});
    addQuad(kRed, {0, 0, -10});
    camera().rotating = true;
    camera().rotateSpeed.set(0, 30, 0);
    delta = 1.5;
    drawScene();
    EXPECT_FLOAT_EQ(camera().rotation.y, 45);
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    drawScene();
    EXPECT_FLOAT_EQ(camera().rotation.y, 90);
    EXPECT_TRUE(looksLike(pixel(400, 300), kGreen));
}

TEST_F(CameraViewTest, ChildrenInheritTheirParentsPlacementAndSiblingsDoNot) {
    Quad* parent = addQuad(kRed, {-2, 0, -5}, {}, 0.5f);
    parent->visible = false;  // hides the parent only, never its children
    auto child = std::make_unique<Quad>(0, 1, 0, 0.5f);
    child->position.set(0, 0, -10);
    child->prev = parent;
    parent->firstChild = std::move(child);
    addQuad(kRed, {0, 0, -10}, {}, 0.5f);  // the parent's sibling: not shifted by it
    drawScene();
    EXPECT_TRUE(looksLike(pixel(400 - 56, 300), kGreen));  // (-2, 0, -15): 2 / 15 / 1.2 * 400 pixels left
    EXPECT_TRUE(looksLike(pixel(400, 300), kRed));
    EXPECT_TRUE(looksLike(pixel(400 - 133, 300), kClear));  // where the invisible parent would be
}

TEST_F(CameraViewTest, AScaleVectorScalesTheObjectAndItsChildren) {
    Quad* parent = addQuad(kRed, {0, 0, -10}, {}, 0.5f);
    parent->visible = false;
    auto child = std::make_unique<Quad>(0, 1, 0, 0.5f);
    child->position.set(1, 0, 0);
    child->prev = parent;
    parent->firstChild = std::move(child);
    drawScene();
    EXPECT_TRUE(looksLike(pixel(420, 300), kGreen));  // unscaled: x = 1, one unit wide
    EXPECT_TRUE(looksLike(pixel(490, 300), kClear));

    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    Vec3 doubled{2, 2, 2};
    parent->scale = &doubled;
    drawScene();
    EXPECT_TRUE(looksLike(pixel(420, 300), kClear));  // scaled: x = 2, two units wide
    EXPECT_TRUE(looksLike(pixel(490, 300), kGreen));
}

// An object turns about z, then y, then x; a camera with the same fields rolls last,
// after pitch and yaw. Each angle differs so that any other order gives another
// matrix; the literals come from tests/gl/formulas/placement_values.py.
TEST_F(CameraViewTest, ObjectsTurnAboutZThenYThenXAndTheCameraRollsAfterPitchAndYaw) {
    const float object[16] = {0.4924039f, 0.5868241f, -0.6427876f, 0.0000000f, -0.4568260f, 0.8028723f,
                              0.3830222f, 0.0000000f, 0.7408431f,  0.1050405f, 0.6634139f,  0.0000000f,
                              1.0000000f, 2.0000000f, 3.0000000f,  1.0000000f};
    const float view[16] = {0.7386058f,  -0.3802361f, 0.5566704f,  0.0000000f, 0.6634139f, 0.5566704f,
                            -0.5000000f, 0.0000000f,  -0.1197639f, 0.7386058f, 0.6634139f, 0.0000000f,
                            -1.7061421f, -2.9489221f, -1.5469122f, 1.0000000f};
    Quad quad(1, 1, 1);
    Camera camera;
    for (auto [placed, expected] : {std::pair<SceneObject*, const float*>{&quad, object}, {&camera, view}}) {
        placed->position.set(1, 2, 3);
        placed->rotation.set(30, 40, 50);
        glLoadIdentity();
        placed->transform(frameOf());
        float modelview[16];
        glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
        for (int i = 0; i < 16; ++i)
            EXPECT_NEAR(modelview[i], expected[i], 1e-5)
                << placed->name.value_or("object") << " [" << i << "]";
    }
}

}  // namespace
}  // namespace qm
