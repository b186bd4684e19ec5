// Every kind made by keyword through the scene script reader, its "load" line applied, drawn in one frame.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>

#include "base/frame_clock.h"
#include "objects/ball.h"
#include "objects/floor.h"
#include "objects/primitives.h"
#include "objects/screen_layers.h"
#include "objects/text.h"
#include "objects/torus_knot.h"
#include "resources/font.h"
#include "scene/camera.h"
#include "scene/scene.h"
#include "support/gl_test.h"
#include "support/temp_dir.h"
#include "support/test_materials.h"
#include "support/trace_capture.h"

namespace qm {
namespace {

constexpr const char* kEveryKind =
    "on load\n"
    "new point pivot\n"
    "  new cube box\n"
    "  load blue,clouds\n"  // one name: the library's first material
    "  end new\n"
    "  new cube box2\n"
    "  load blue\n"
    "  end new\n"
    "end new\n"
    "new invcube room\nend new\n"
    "new vball ball\nend new\n"
    "new chessfloor floor\nload blue\nend new\n"
    "new torusknot knot\nend new\n"
    "new background back\nload sky\nend new\n"
    "new foreground front\nload sky\nend new\n"
    "new text title\nload hello,1,0,0\nend new\n"
    "new fog mist\nload end\nend new\n"
    "new skybox sky\nload sky,blue\nend new\n"
    "new square tile\nend new\n"
    "new symbols column\nload sky,blue,clouds\nend new\n"
    "new camera eye\nend new\n"
    "new Cube nothing\nend new\n";

class KindsScriptTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::addSolidMaterial(materials(), "first", test::kWhite);
        test::addSolidMaterial(materials(), "clouds", test::kGreen);
        test::addSolidMaterial(materials(), "blue", test::kBlue);
        test::addSolidMaterial(materials(), "sky", test::kRed);
        scene.activate();
    }

    template <typename Kind>
    Kind* find(const char* name) {
        SceneObject* object = scene.objects.root->findByName(name);
        return object ? dynamic_cast<Kind*>(object) : nullptr;
    }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    test::TraceCapture trace{run().trace};
    Scene scene{run().stage};
};

TEST_F(KindsScriptTest, EveryKeywordMakesItsKindAndHandsItTheLoadLine) {
    dir.write("scene.qms", kEveryKind);
    ASSERT_EQ(scene.load("scene.qms"), 0);

    const Material* first = &materials().head();
    const Material* blue = materials().find("blue");
    const Material* sky = materials().find("sky");
    ASSERT_NE(find<Point>("pivot"), nullptr);
    ASSERT_NE(find<Cube>("box"), nullptr);
    EXPECT_EQ(find<Cube>("box")->prev, find<Point>("pivot")) << "a child of the point";
    EXPECT_EQ(find<Cube>("box")->material, first);
    EXPECT_EQ(find<Cube>("box2")->material, blue);
    EXPECT_EQ(find<Cube>("box")->position.z, -3) << "init ran when it was attached";
    ASSERT_NE(find<InvCube>("room"), nullptr);
    EXPECT_NE(find<VBall>("ball"), nullptr);
    ASSERT_NE(find<ChessFloor>("floor"), nullptr);
    EXPECT_EQ(find<ChessFloor>("floor")->material, blue);
    EXPECT_NE(find<TorusKnot>("knot"), nullptr);
    ASSERT_NE(find<Background>("back"), nullptr);
    EXPECT_EQ(find<Background>("back")->material, sky);
    ASSERT_NE(find<Foreground>("front"), nullptr);
    EXPECT_EQ(find<Foreground>("front")->material, sky);
    ASSERT_NE(find<TextObject>("title"), nullptr);
    EXPECT_EQ(find<TextObject>("title")->text, "hello");
    EXPECT_EQ(find<TextObject>("title")->color.green, 0);
    ASSERT_NE(find<Fog>("mist"), nullptr);
    EXPECT_EQ(find<Fog>("mist")->fogMode, 0);
    ASSERT_NE(find<Skybox>("sky"), nullptr);
    EXPECT_EQ(find<Skybox>("sky")->material, sky);
    EXPECT_EQ(find<Skybox>("sky")->topMaterial, blue);
    ASSERT_NE(find<Square>("tile"), nullptr);
    EXPECT_EQ(find<Square>("tile")->material, materials().find("clouds"));
    ASSERT_NE(find<Symbols>("column"), nullptr);
    EXPECT_EQ(find<Symbols>("column")->symbolCount, 3);
    EXPECT_NE(find<Camera>("eye"), nullptr);
    EXPECT_EQ(scene.objects.root->findByName("nothing"), nullptr) << "kinds are case-sensitive";
    EXPECT_FALSE(run().font.pagesPending) << "the text object's init asked for the pages";

    // One frame of the whole scene, every kind updated and drawn together.
    run().clock.delta = 0.02;
    scene.update(run().frameContext(true));
    glLoadIdentity();
    scene.draw(run().frameContext(true));
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
    GLint depth = 0;
    glGetIntegerv(GL_MODELVIEW_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
    glGetIntegerv(GL_PROJECTION_STACK_DEPTH, &depth);
    EXPECT_EQ(depth, 1);
}

}  // namespace
}  // namespace qm
