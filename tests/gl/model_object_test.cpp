// The model object: its load word, the mirror and turn, textured against sphere-mapped drawing.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <set>

#include "base/frame_clock.h"
#include "md3write/md3_writer.h"
#include "objects/model.h"
#include "resources/material.h"
#include "support/gl_test.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

// A 2 x 2 quad in the model's x-z plane (y = 0), its normals along -y: after the
// object's mirror and -90 degree turn it faces a viewer looking down -z. Two
// frames, the second moved 1 unit along the model's +z (the view's +y).
md3write::Model facingQuad() {
    md3write::Surface s;
    s.name = "quad";
    s.frameCount = 2;
    s.texCoords = {{0.25f, 0.25f}, {0.25f, 0.25f}, {0.25f, 0.25f}, {0.25f, 0.25f}};
    s.triangles = {{{0, 1, 2}}, {{0, 2, 3}}, {{0, 2, 1}}, {{0, 3, 2}}};  // both windings
    for (float lift : {0.0f, 1.0f})
        for (auto [x, z] : {std::pair{-1.0f, -1.0f}, {1.0f, -1.0f}, {1.0f, 1.0f}, {-1.0f, 1.0f}})
            s.vertices.push_back(md3write::makeVertex({x, 0, z + lift}, {0, -1, 0}));
    md3write::Model m;
    m.frames.resize(2);
    m.surfaces.push_back(s);
    return m;
}

class ModelObjectTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        // Texels, first row of the file first: red, green / blue, white.
        const std::string bgra = std::string("\x00\x00\xff\xff\x00\xff\x00\xff", 8) +
                                 std::string("\xff\x00\x00\xff\xff\xff\xff\xff", 8);
        dir.write("data/quad.tga", test::makeTga(2, 2, 2, 32, bgra));
        dir.write("data/materials.qms",
                  "first,data\\none.png,GL_REPEAT,GL_REPEAT,GL_NEAREST,GL_NEAREST,0,1,0,1;"
                  "blue,data\\none.png,GL_REPEAT,GL_REPEAT,GL_NEAREST,GL_NEAREST,0,0,1,1;"
                  "quad,data\\quad.tga,GL_CLAMP_TO_EDGE,GL_CLAMP_TO_EDGE,GL_NEAREST,GL_NEAREST,1,1,1,1;");
        ASSERT_TRUE(md3write::writeFile((dir.path() / "data/quad.md3").string(), facingQuad()));
        cwd = std::make_unique<test::ScopedWorkingDirectory>(dir.path());
        ASSERT_TRUE(materials().load("data\\materials.qms"));
        glDisable(GL_CULL_FACE);
    }
    void TearDown() override {
        cwd.reset();
        GlTest::TearDown();
    }

    void drawAt(StdModel& model, float z) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        glTranslatef(0, 0, z);
        model.draw(run().frameContext(true));
        capture();
    }

    test::TempDir dir;
    std::unique_ptr<test::ScopedWorkingDirectory> cwd;
};

TEST_F(ModelObjectTest, TheLoadWordReadsFileMaterialRateAndReflectionSwitch) {
    StdModel model{kinds()};
    model.init();
    EXPECT_EQ(model.material, materials().find("blue"));
    model.load("data\\quad.md3");
    EXPECT_EQ(model.model.lastFrame, 1);
    EXPECT_EQ(model.material, materials().find("blue"));
    EXPECT_EQ(model.model.framesPerSecond, 25);
    EXPECT_FALSE(model.reflective);

    model.load("data\\quad.md3, quad ,10,1");
    EXPECT_EQ(model.material, materials().find("quad"));
    EXPECT_EQ(model.model.framesPerSecond, 10);
    EXPECT_TRUE(model.reflective);
    model.load("data\\quad.md3,nosuch,x");  // three items keep the switch; "x" is rate 0
    EXPECT_TRUE(model.reflective);
    EXPECT_EQ(model.model.framesPerSecond, 0);
    EXPECT_EQ(model.material, &materials().head());  // an unknown name gives the first material
    model.load("data\\quad.md3,quad,7,0");
    EXPECT_FALSE(model.reflective);

    for (int code : {0, 1, 3, -1}) model.trigger(code);
    EXPECT_EQ(model.model.framesPerSecond, 7);
}

TEST_F(ModelObjectTest, TheAnimationStepsAtTheLoadedFrameRate) {
    StdModel model{kinds()};
    model.init();
    model.load("data\\quad.md3,quad,10");
    EXPECT_EQ(model.model.frameA, 0);
    EXPECT_EQ(model.model.frameB, 1);
    run().clock.delta = 0.05;
    model.update(run().frameContext(true));
    EXPECT_FLOAT_EQ(model.model.blend, 0.5f);
    model.update(run().frameContext(true));
    model.update(
        run().frameContext(true));  // the blend passes 1: both frames step on, wrapping after the last
    EXPECT_EQ(model.model.frameA, 1);
    EXPECT_EQ(model.model.frameB, 0);
    EXPECT_NEAR(model.model.blend, 0.5f, 1e-5);
}

TEST_F(ModelObjectTest, ModelZBecomesScreenUpAndTheTextureCoordinatesComeFromTheFile) {
    StdModel model{kinds()};
    model.init();
    model.load("data\\quad.md3,quad,25,0");
    drawAt(model, -5);
    // The quad covers the centre; the material's texel at (0.25, 0.25) is red.
    const test::Rgba red{255, 0, 0, 255};
    const test::Rgba clear{179, 0, 128, 255};
    EXPECT_TRUE(test::near(pixel(400, 300), red, 3));
    // A unit is 66.7 pixels at 5 away: the quad spans 233 to 367 down the screen.
    EXPECT_TRUE(test::near(pixel(400, 350), red, 3));
    EXPECT_TRUE(test::near(pixel(400, 210), clear, 2));
    // Half way to frame 1 it has moved up by half a unit: 200 to 333.
    model.model.setFrames(0, 1, 0.5f);
    drawAt(model, -5);
    EXPECT_TRUE(test::near(pixel(400, 350), clear, 2));
    EXPECT_TRUE(test::near(pixel(400, 210), red, 3));
}

TEST_F(ModelObjectTest, AReflectiveModelIsSphereMappedAndSwitchesTextureGenerationOffAfterwards) {
    StdModel model{kinds()};
    model.init();
    model.load("data\\quad.md3,quad,25,1");
    drawAt(model, -3);
    // Sphere-mapped, the flat quad samples the texture by its reflection: the left
    // and right halves of the view show different texels, which the file's
    // single texture coordinate never would.
    std::set<std::array<int, 4>> colours;
    for (int x = 300; x <= 500; x += 25) colours.insert(pixel(x, 300));
    EXPECT_GE(colours.size(), 2u);
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_S));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_GEN_T));
    EXPECT_FALSE(model.model.textured);
}

TEST_F(ModelObjectTest, AModelThatCannotBeReadDrawsNothing) {
    StdModel model{kinds()};
    model.init();
    model.load("data\\missing.md3,quad,25,0");
    drawAt(model, -5);
    EXPECT_TRUE(test::near(pixel(400, 300), {179, 0, 128, 255}, 2));
}

}  // namespace
}  // namespace qm
