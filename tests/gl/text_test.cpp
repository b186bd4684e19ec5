// The bitmap font and the text object: where glyphs come from, line breaks, the sine fade and the shared
// pages.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <memory>
#include <numbers>
#include <string>

#include "base/frame_clock.h"
#include "objects/text.h"
#include "resources/font.h"
#include "scene/scene.h"
#include "support/gl_test.h"
#include "support/temp_dir.h"
#include "tools/demo/image_files.h"

namespace qm {
namespace {

using test::Rgba;
using ::testing::PrintToString;

// Test pages of 4 x 4 cells, 4 texels each, every cell one colour: red and green
// tell the column and the row, blue the page.
Rgba cellColour(int page, int row, int column) {
    return {60 + 60 * column, 60 + 60 * row, page == 1 ? 0 : 200, 255};
}

std::string pagePng(int page) {
    demo::Image image(16, 16);
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x) {
            const Rgba c = cellColour(page, y / 4, x / 4);
            image.at(x, y) = {static_cast<uint8_t>(c[0]), static_cast<uint8_t>(c[1]),
                              static_cast<uint8_t>(c[2]), 255};
        }
    const demo::Bytes bytes = demo::encodePngRgba(image);
    return std::string(bytes.begin(), bytes.end());
}

const Rgba kBlack{0, 0, 0, 255};

class TextTest : public test::GlTest {
protected:
    void SetUp() override {
        GlTest::SetUp();
        dir.write("data/fontv3-1.png", pagePng(1));
        dir.write("data/fontv3-2.png", pagePng(2));
        glClearColor(0, 0, 0, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    }

    // Draws a text at rest colour (alpha 1, as after init) and captures the screen.
    void show(const std::string& text, Vec3 position = {}) {
        TextObject object{kinds()};
        object.init();
        object.load(text);
        object.position = position;
        object.draw(run().frameContext(true));
        capture();
    }
    // The middle of the part of glyph `index` of line `line` that the next glyph
    // does not cover, for a text at position (0, 0).
    Rgba glyphPixel(int index, int line = 0) const { return pixel(412 + 24 * index, 285 + 30 * line); }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
};

TEST_F(TextTest, GlyphsComeFromTheirCellOnPageOneOrTwo) {
    struct Case {
        std::string text;
        int page, row, column;
    } cases[] = {
        {"a", 1, 0, 0},
        {"e", 2, 0, 0},  // column 4 of the sheet is column 0 of page 2
        {"m", 2, 1, 0},
        {"z", 1, 3, 1},
        {"{", 1, 3, 2},                                     // the codes after z go on
        {std::string(1, static_cast<char>(128)), 2, 3, 3},  // glyph 31
        {"0", 1, 0, 0},  // outside the sheet: the clamped page shows its corner texel
    };
    for (const Case& c : cases) {
        glClear(GL_COLOR_BUFFER_BIT);
        show(c.text);
        EXPECT_TRUE(test::near(glyphPixel(0), cellColour(c.page, c.row, c.column)))
            << "'" << c.text << "' " << PrintToString(glyphPixel(0));
    }
}

TEST_F(TextTest, NeighbouringGlyphsAdvanceSixTenthsOfACellAndBlanksDrawNothing) {
    show("ab");
    EXPECT_TRUE(test::near(glyphPixel(0), cellColour(1, 0, 0)));
    EXPECT_TRUE(test::near(glyphPixel(1), cellColour(1, 0, 1)));
    EXPECT_TRUE(test::near(pixel(462, 285), cellColour(1, 0, 1))) << "b reaches 1.6 cells";
    EXPECT_TRUE(test::near(pixel(466, 285), kBlack));
    EXPECT_TRUE(test::near(pixel(412, 268), kBlack)) << "a cell is one unit high";

    glClear(GL_COLOR_BUFFER_BIT);
    show("a b");
    EXPECT_TRUE(test::near(glyphPixel(0), cellColour(1, 0, 0)));
    EXPECT_TRUE(test::near(pixel(444, 285), kBlack)) << "the blank's place";
    EXPECT_TRUE(test::near(pixel(470, 285), cellColour(1, 0, 1)));
}

TEST_F(TextTest, AFullStopOrALineFeedStartsTheNextLineOneUnitDownAtTheSameX) {
    for (const char* text : {"one.two", "one\ntwo"}) {
        glClear(GL_COLOR_BUFFER_BIT);
        show(text);
        EXPECT_TRUE(test::near(glyphPixel(0, 0), cellColour(2, 1, 2))) << text << ": o";
        EXPECT_TRUE(test::near(glyphPixel(2, 0), cellColour(2, 0, 0))) << text << ": e";
        EXPECT_TRUE(test::near(pixel(496, 285), kBlack)) << text << ": the full stop draws nothing";
        EXPECT_TRUE(test::near(glyphPixel(0, 1), cellColour(1, 2, 3))) << text << ": t";
        EXPECT_TRUE(test::near(glyphPixel(2, 1), cellColour(2, 1, 2))) << text << ": o";
    }
}

TEST_F(TextTest, TextLiesOnTheScreenInTwentiethsWhateverTheMatricesHold) {
    glTranslatef(3, 4, -20);
    glRotatef(30, 0, 1, 0);
    float modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);
    show("a", {-10, 9, 0});
    EXPECT_TRUE(test::near(pixel(20, 15), cellColour(1, 0, 0))) << "the top left corner of the screen";
    EXPECT_TRUE(test::near(pixel(20, 45), kBlack));
    float after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    EXPECT_TRUE(std::equal(after, after + 16, modelview));
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    EXPECT_TRUE(std::equal(after, after + 16, projection));
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
}

TEST_F(TextTest, LoadTakesTheTextAndTheColourItemsThatAreThere) {
    struct Case {
        const char* word;
        std::string text;
        Color colour;
    } cases[] = {
        {"hello,0.5,0.25", "hello", {0.5f, 0.25f, 1, 1}},
        {"hi", "hi", {1, 1, 1, 1}},
        {"x,1,0,0,0.5,extra", "x", {1, 0, 0, 0.5f}},
        {" a , b ", "a", {0, 1, 1, 1}},  // items are trimmed; a non-number reads as 0
        {"", "", {1, 1, 1, 1}},
    };
    for (const Case& c : cases) {
        TextObject object{kinds()};
        object.init();
        object.load(c.word);
        EXPECT_EQ(object.text, c.text) << c.word;
        EXPECT_EQ(object.color.red, c.colour.red) << c.word;
        EXPECT_EQ(object.color.green, c.colour.green) << c.word;
        EXPECT_EQ(object.color.blue, c.colour.blue) << c.word;
        EXPECT_EQ(object.color.alpha, c.colour.alpha) << c.word;
    }
    TextObject kept{kinds()};
    kept.init();
    kept.load("first,0.5");
    kept.load("");
    EXPECT_EQ(kept.text, "first");
    EXPECT_EQ(kept.color.red, 0.5f);
}

TEST_F(TextTest, TriggerCodesStartTheirFadesAndOtherCodesChangeNothing) {
    struct Case {
        int code;
        float phase, speed;
    } cases[] = {{0, 0, 0.1f},    {1, 0.3f, 0.1f}, {2, 0, 0.2f},
                 {3, 0.3f, 0.3f}, {7, 0.3f, 0.3f}, {-1, 0.3f, 0.3f}};
    TextObject object{kinds()};
    object.init();
    for (const Case& c : cases) {
        object.trigger(c.code);
        EXPECT_EQ(object.fadePhase, c.phase) << c.code;
        EXPECT_EQ(object.fadeSpeed, c.speed) << c.code;
    }
}

TEST_F(TextTest, TheFadeStepsByDeltaTimesSpeedAndRestsAtPhaseOne) {
    Scene scene(run().stage);
    scene.activate();
    scene.objects.root->rotation = {10, 20, 30};
    TextObject object{kinds()};
    object.init();
    object.trigger(0);
    run().clock.delta = 0.02;
    object.update(run().frameContext(true));
    EXPECT_FLOAT_EQ(object.fadePhase, 0.002f);
    EXPECT_NEAR(object.color.alpha, std::sin(0.002 * 2 * std::numbers::pi), 1e-6);
    EXPECT_EQ(object.rotation, (Vec3{10, 20, 30})) << "the root camera's rotation";

    // The test comes before the step: the phase passes 1 for one frame.
    object.fadePhase = 0.999f;
    object.update(run().frameContext(true));
    EXPECT_FLOAT_EQ(object.fadePhase, 1.001f);
    EXPECT_EQ(object.fadeSpeed, 0.1f);
    object.update(run().frameContext(true));
    EXPECT_EQ(object.fadePhase, 1.0f);
    EXPECT_EQ(object.fadeSpeed, 0.0f);
    EXPECT_NEAR(object.color.alpha, 0, 1e-6) << "invisible at rest";
}

TEST_F(TextTest, AfterCodeOneTheTextShowsAtAbout95PercentAtOnceAndAtRestNotAtAll) {
    TextObject object{kinds()};
    object.init();
    object.load("x");  // glyph 23: page 2, row 2, column 3
    const Rgba full = cellColour(2, 2, 3);
    object.trigger(1);
    object.update(run().frameContext(true));  // the first frame's delta is 0
    object.draw(run().frameContext(true));
    capture();
    const float alpha = std::sin(0.6f * std::numbers::pi_v<float>);
    EXPECT_NEAR(alpha, 0.951, 1e-3);
    Rgba seen = glyphPixel(0);
    seen[3] = 255;  // blending writes alpha too; the viewer sees only the colour
    EXPECT_TRUE(test::near(
        seen, {static_cast<int>(std::lround(full[0] * alpha)), static_cast<int>(std::lround(full[1] * alpha)),
               static_cast<int>(std::lround(full[2] * alpha)), 255}))
        << PrintToString(glyphPixel(0));

    TextObject resting{kinds()};
    resting.init();
    resting.load("x");
    resting.update(run().frameContext(true));
    glClear(GL_COLOR_BUFFER_BIT);
    resting.draw(run().frameContext(true));
    capture();
    EXPECT_TRUE(test::near(glyphPixel(0), kBlack));
}

TEST_F(TextTest, TwoTextObjectsLoadThePagesOnce) {
    TextObject first{kinds()};
    first.init();
    const unsigned page1 = run().font.page1.glName;
    EXPECT_NE(page1, 0u);
    EXPECT_FALSE(run().font.pagesPending);
    std::filesystem::remove_all(dir.path() / "data");
    TextObject second{kinds()};
    second.init();  // in another scene, later
    EXPECT_EQ(run().font.page1.glName, page1);
    EXPECT_TRUE(run().font.page2.hasPicture());
    show("e");
    EXPECT_TRUE(test::near(glyphPixel(0), cellColour(2, 0, 0)));
}

TEST_F(TextTest, WithoutPageFilesTheGlyphQuadsAreStillDrawn) {
    std::filesystem::remove_all(dir.path() / "data");
    glClearColor(0.5f, 0.5f, 0.5f, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    show("ab");
    EXPECT_FALSE(run().font.page1.hasPicture());
    EXPECT_NE(run().font.page1.glName, 0u);
    EXPECT_FALSE(test::near(glyphPixel(0), {128, 128, 128, 255}, 10)) << PrintToString(glyphPixel(0));
    EXPECT_TRUE(test::near(pixel(500, 285), {128, 128, 128, 255}, 2));
}

}  // namespace
}  // namespace qm
