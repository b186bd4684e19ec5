// Background, foreground, symbols, sky box and fog: what they cover, how they move, the state they leave.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "base/frame_clock.h"
#include "objects/primitives.h"
#include "objects/screen_layers.h"
#include "scene/scene.h"
#include "support/gl_test.h"
#include "support/test_materials.h"

namespace qm {
namespace {

using test::Rgba;
using ::testing::PrintToString;

const Rgba kClear{179, 0, 128, 255};

// Blending writes alpha too; the viewer sees only red, green and blue.
Rgba colourOnly(Rgba c) {
    c[3] = 255;
    return c;
}
const Rgba kRed{255, 0, 0, 255};
const Rgba kGreen{0, 255, 0, 255};
const Rgba kBlue{0, 0, 255, 255};
const Rgba kWhite{255, 255, 255, 255};

// Both matrices and the matrix mode, to see that a layer puts them back.
struct MatrixState {
    static MatrixState read() {
        MatrixState s;
        glGetFloatv(GL_MODELVIEW_MATRIX, s.modelview.data());
        glGetFloatv(GL_PROJECTION_MATRIX, s.projection.data());
        glGetIntegerv(GL_MATRIX_MODE, &s.mode);
        return s;
    }
    bool operator==(const MatrixState&) const = default;
    std::array<float, 16> modelview{};
    std::array<float, 16> projection{};
    GLint mode = 0;
};

class ScreenLayersTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        test::addSolidMaterial(materials(), "first", {60, 60, 60, 255});
        test::addSolidMaterial(materials(), "red", test::kRed);
        test::addSolidMaterial(materials(), "green", test::kGreen);
        test::addSolidMaterial(materials(), "blue", test::kBlue);
        test::addSolidMaterial(materials(), "veil", {255, 255, 255, 128});
        test::addQuadrantMaterial(materials(), "quadrants");
    }

    // A square of one material placed in view, drawn as the draw walk does.
    void drawSquare(const char* material, Vec3 position, float size = 1) {
        Square square{kinds()};
        square.init();
        square.load(material);
        square.position = position;
        Vec3 scale{size, size, size};
        square.scale = &scale;
        glLoadIdentity();
        square.drawTree(run().frameContext(true));
    }
    void step(double seconds) {
        run().clock.delta = seconds;
        run().clock.now += seconds;
    }
};

TEST_F(ScreenLayersTest, ABackgroundOverdrawsWhatCameBeforeItAndNothingAfter) {
    drawSquare("red", {0, 0, -3});
    glTranslatef(1, 2, 3);  // a layer ignores the current matrices
    const MatrixState before = MatrixState::read();
    Background background{kinds()};
    background.load("blue,red");  // item 0 names the material
    background.draw(run().frameContext(true));
    EXPECT_EQ(MatrixState::read(), before);
    drawSquare("green", {4, 0, -5});  // beside the red square, farther away
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), kBlue)) << "the red square is covered";
    EXPECT_TRUE(test::near(pixel(30, 30), kBlue));
    EXPECT_TRUE(test::near(pixel(660, 300), kGreen)) << "what comes after shows in front";
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
}

TEST_F(ScreenLayersTest, AForegroundBlendsOverEverythingAndLeavesTheDepthBufferAlone) {
    drawSquare("red", {0, 0, -3});
    const MatrixState before = MatrixState::read();
    Foreground foreground{kinds()};
    foreground.load("veil");
    foreground.draw(run().frameContext(true));
    EXPECT_EQ(MatrixState::read(), before);
    capture();
    EXPECT_TRUE(test::near(colourOnly(pixel(400, 300)), {255, 128, 128, 255}, 3))
        << PrintToString(pixel(400, 300));
    EXPECT_TRUE(test::near(colourOnly(pixel(30, 30)), {217, 128, 192, 255}, 3))
        << PrintToString(pixel(30, 30));
    float depth = 0;
    glReadPixels(30, 30, 1, 1, GL_DEPTH_COMPONENT, GL_FLOAT, &depth);
    EXPECT_EQ(depth, 1.0f);
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint destination = 0;
    glGetIntegerv(GL_BLEND_DST, &destination);
    EXPECT_EQ(destination, GL_ONE_MINUS_SRC_ALPHA);
}

TEST_F(ScreenLayersTest, BackgroundAndForegroundFillTheScreenWithTheirPictureUpright) {
    for (bool isBackground : {true, false}) {
        std::unique_ptr<SceneObject> layer;
        if (isBackground)
            layer = std::make_unique<Background>(kinds());
        else
            layer = std::make_unique<Foreground>(kinds());
        layer->load("quadrants");
        layer->draw(run().frameContext(true));
        capture();
        const char* which = isBackground ? "background" : "foreground";
        EXPECT_TRUE(test::near(pixel(200, 150), kRed)) << which;
        EXPECT_TRUE(test::near(pixel(600, 150), kGreen)) << which;
        EXPECT_TRUE(test::near(pixel(200, 450), kBlue)) << which;
        EXPECT_TRUE(test::near(pixel(600, 450), kWhite)) << which;
        EXPECT_TRUE(test::near(pixel(0, 0), kRed)) << which;
        EXPECT_TRUE(test::near(pixel(799, 599), kWhite)) << which;
    }
}

TEST_F(ScreenLayersTest, LayersWithoutMaterialsDrawNothing) {
    Background background{kinds()};
    Foreground foreground{kinds()};
    Symbols symbols{kinds()};
    symbols.init();
    symbols.symbolCount = 3;  // a count without a "load" line: no materials to draw with
    for (SceneObject* layer : {static_cast<SceneObject*>(&background), static_cast<SceneObject*>(&foreground),
                               static_cast<SceneObject*>(&symbols)}) {
        layer->draw(run().frameContext(true));
        layer->update(run().frameContext(true));
        capture();
        EXPECT_TRUE(test::near(pixel(400, 300), kClear));
        EXPECT_TRUE(test::near(pixel(140, 375), kClear));
    }
    EXPECT_EQ(symbols.symbolY[0], -0.6f);
}

TEST_F(ScreenLayersTest, SymbolsDrawTheirPicturesDownTheLeftSideAndLeaveCullingOff) {
    Symbols symbols{kinds()};
    symbols.init();
    symbols.load("red,green,blue");
    const MatrixState before = MatrixState::read();
    symbols.draw(run().frameContext(true));
    EXPECT_EQ(MatrixState::read(), before);
    capture();
    EXPECT_TRUE(test::near(pixel(140, 495), kRed)) << "at -0.6";
    EXPECT_TRUE(test::near(pixel(140, 375), kGreen)) << "at -0.2";
    EXPECT_TRUE(test::near(pixel(140, 255), kBlue)) << "at 0.2";
    EXPECT_TRUE(test::near(pixel(140, 435), kClear)) << "a gap between two symbols";
    EXPECT_TRUE(test::near(pixel(140, 135), kClear)) << "no fourth symbol";
    EXPECT_TRUE(test::near(pixel(60, 495), kClear));
    EXPECT_TRUE(test::near(pixel(220, 495), kClear));
    EXPECT_FALSE(glIsEnabled(GL_CULL_FACE));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
}

TEST_F(ScreenLayersTest, SymbolsFallOneUnitPerSecondAndWrapBelowMinus125ToTheCountLessOneTimes03) {
    struct Case {
        const char* word;
        int count;
        float wrapTo;
    } cases[] = {
        {"red", 1, 0.0f},
        {"red,green,blue", 3, 0.6f},
        // Twelve items: the count is kept, but only the ten placed slots move.
        {"red,green,blue,red,green,blue,red,green,blue,red,green,blue", 12, 3.3f},
    };
    for (const Case& c : cases) {
        Symbols symbols{kinds()};
        symbols.init();
        symbols.load(c.word);
        EXPECT_EQ(symbols.symbolCount, c.count) << c.word;
        step(0.25);
        symbols.update(run().frameContext(true));
        EXPECT_FLOAT_EQ(symbols.symbolY[0], -0.85f) << c.word;
        step(0.45);
        symbols.update(run().frameContext(true));
        EXPECT_FLOAT_EQ(symbols.symbolY[0], c.wrapTo) << c.word << ": -1.3 wraps";
        if (c.count > 1) {
            EXPECT_FLOAT_EQ(symbols.symbolY[1], -0.9f) << c.word;
        }
        if (c.count > 10) {
            EXPECT_FLOAT_EQ(symbols.symbolY[9], 2.3f);
            EXPECT_EQ(symbols.symbolY[10], 0.0f) << "slots past the tenth never move";
            EXPECT_EQ(symbols.symbolMaterials[10], nullptr);
        }
        // A new "load" line changes pictures, not heights.
        symbols.load("blue");
        EXPECT_EQ(symbols.symbolCount, 1);
        EXPECT_FLOAT_EQ(symbols.symbolY[0], c.wrapTo);
        EXPECT_EQ(symbols.symbolMaterials[0], materials().find("blue"));
        symbols.draw(run().frameContext(true));  // reads nothing past the arrays
    }
}

class SkyboxTest : public ScreenLayersTest {
protected:
    void SetUp() override {
        ScreenLayersTest::SetUp();
        test::addSolidMaterial(materials(), "clouds", test::kRed);
        scene = std::make_unique<Scene>(run().stage);
        scene->activate();
        sky = static_cast<Skybox*>(scene->objects.add(std::make_unique<Skybox>(kinds())));
        sky->scale = &size;
    }
    void TearDown() override {
        scene.reset();
        ScreenLayersTest::TearDown();
    }
    void drawFrame() {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        glLoadIdentity();
        scene->draw(run().frameContext(true));
        capture();
    }

    std::unique_ptr<Scene> scene;
    Skybox* sky = nullptr;
    Vec3 size{10, 10, 10};
};

TEST_F(SkyboxTest, TheBoxStaysOnTheCameraWhateverMovesIt) {
    SceneObject& camera = *scene->objects.root;
    EXPECT_EQ(sky->material, materials().find("clouds"));
    EXPECT_EQ(sky->topMaterial, materials().find("clouds"));
    for (const Vec3& where : {Vec3{100, 0, 0}, Vec3{-3, 40, 7}}) {
        camera.position = where;
        sky->position = {1, 2, 3};
        scene->update(run().frameContext(true));
        EXPECT_EQ(sky->position, where);
        drawFrame();
        for (const auto& [x, y] : {std::pair{400, 300}, {5, 5}, {795, 595}})
            EXPECT_TRUE(test::near(pixel(x, y), kRed)) << x << "," << y << " camera at " << where.x;
    }
    sky->enabled = false;  // nothing but the update slot keeps it there
    camera.position = {0, 0, 0};
    scene->update(run().frameContext(true));
    EXPECT_EQ(sky->position, (Vec3{-3, 40, 7}));
}

TEST_F(SkyboxTest, SidesAndTopHaveTheirOwnMaterialsAndThereIsNoBottom) {
    sky->load("red,green");
    SceneObject& camera = *scene->objects.root;
    struct View {
        float pitch;
        Rgba seen;
        const char* what;
    } views[] = {{0, kRed, "a side"}, {80, kGreen, "the top"}, {-80, kClear, "no bottom"}};
    for (const View& v : views) {
        camera.rotation.x = v.pitch;
        drawFrame();
        EXPECT_TRUE(test::near(pixel(400, 300), v.seen)) << v.what;
    }
    sky->load("blue");
    EXPECT_EQ(sky->material, materials().find("blue"));
    EXPECT_EQ(sky->topMaterial, materials().find("green"));
}

class FogTest : public ScreenLayersTest {
protected:
    static std::array<float, 4> clearColour() {
        std::array<float, 4> c{};
        glGetFloatv(GL_COLOR_CLEAR_VALUE, c.data());
        return c;
    }
    static float fogFloat(GLenum what) {
        float value = -1;
        glGetFloatv(what, &value);
        return value;
    }
};

TEST_F(FogTest, AFogWithoutALoadLineTurnsTheClearColourWhiteButFogsNothing) {
    Fog fog;
    fog.init();
    fog.draw(run().frameContext(true));
    EXPECT_EQ(clearColour(), (std::array<float, 4>{1, 1, 1, 1}));
    EXPECT_TRUE(glIsEnabled(GL_FOG));
    EXPECT_EQ(fogFloat(GL_FOG_MODE), GL_EXP2);
    EXPECT_EQ(fogFloat(GL_FOG_DENSITY), 0);
    drawSquare("red", {0, 0, -100}, 20);
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), kRed));
    glClear(GL_COLOR_BUFFER_BIT);
    capture();
    EXPECT_TRUE(test::near(pixel(10, 10), kWhite)) << "the next frame's clear";
}

TEST_F(FogTest, StartGivesGreyFogAndEndTurnsItOff) {
    Fog fog;
    fog.init();
    fog.load("start,0.5,0.5,0.5,1,0.02,10,100");
    fog.draw(run().frameContext(true));
    EXPECT_EQ(clearColour(), (std::array<float, 4>{0.5f, 0.5f, 0.5f, 1}));
    EXPECT_FLOAT_EQ(fogFloat(GL_FOG_DENSITY), 0.02f);
    EXPECT_EQ(fogFloat(GL_FOG_START), 10);
    EXPECT_EQ(fogFloat(GL_FOG_END), 100);
    drawSquare("red", {0, 0, -100}, 20);
    drawSquare("red", {-1.2f, 0, -2}, 0.2f);
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), {128, 128, 128, 255}, 6)) << "far away: grey";
    EXPECT_TRUE(test::near(pixel(200, 300), kRed, 3)) << "close by: hardly touched";

    fog.load("end");
    fog.draw(run().frameContext(true));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    drawSquare("red", {0, 0, -100}, 20);
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), kRed));
}

TEST_F(FogTest, LoadWordsSwitchOnlyWithStartOrEndAndNeedEightItemsForValues) {
    const std::array<float, 4> white{1, 1, 1, 1};
    const std::array<float, 4> grey{0.5f, 0.5f, 0.5f, 1};
    struct Case {
        const char* word;
        uint8_t modeBefore;
        uint8_t mode;
        std::array<float, 4> colour;
        float density, start, end;
    } cases[] = {
        {"end", 1, 0, white, 0, 0, 0},
        {"start,0.5,0.5,0.5,1,0.02,10,100", 0, 1, grey, 0.02f, 10, 100},
        {"thick,0.5,0.5,0.5,1,0.02,10,100", 0, 0, grey, 0.02f, 10, 100},  // values, but no switch
        {"thick,0.5,0.5,0.5,1,0.02,10,100", 1, 1, grey, 0.02f, 10, 100},
        {"end,0.5,0.5,0.5,1,0.02,10,100", 1, 0, grey, 0.02f, 10, 100},
        {"start,0.5,0.5,0.5", 0, 0, white, 0, 0, 0},  // four items change nothing
        {"start", 0, 0, white, 0, 0, 0},
        {"", 0, 0, white, 0, 0, 0},
        {"End", 1, 1, white, 0, 0, 0},  // keywords are exact
        {"start,x,0.5,0.5,1,y,10,100,extra", 0, 1, {0, 0.5f, 0.5f, 1}, 0, 10, 100},
    };
    for (const Case& c : cases) {
        Fog fog;
        fog.init();
        fog.fogMode = c.modeBefore;
        fog.load(c.word);
        EXPECT_EQ(fog.fogMode, c.mode) << c.word;
        EXPECT_EQ(fog.fogColor, c.colour) << c.word;
        EXPECT_EQ(fog.fogDensity, c.density) << c.word;
        EXPECT_EQ(fog.fogStart, c.start) << c.word;
        EXPECT_EQ(fog.fogEnd, c.end) << c.word;
    }
}

}  // namespace
}  // namespace qm
