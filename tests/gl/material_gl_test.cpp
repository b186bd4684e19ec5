// The materials script read into the library: chain, look-ups, pending slots, findings, pixels.
// pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "base/paths.h"
#include "resources/material.h"
#include "support/gl_test.h"
#include "support/image_files.h"
#include "support/temp_dir.h"
#include "tools/demo/demo_assets.h"

namespace qm {
namespace {

using Kind = MaterialFinding::Kind;

// 2 x 2, rows bottom first: red, green / blue, white.
std::string checkerBmp() {
    const std::vector<uint8_t> rgba = {255, 0, 0, 255, 0, 255, 0, 255, 0, 0, 255, 255, 255, 255, 255, 255};
    return test::makeBmp({.width = 2, .height = 2, .pixelData = test::bmp24Rows(2, 2, rgba)});
}

class MaterialGlTest : public test::GlTest {
protected:
    void SetUp() override {
        test::GlTest::SetUp();
        dir.write("data/checker.bmp", checkerBmp());
    }

    bool load(const std::string& script) {
        dir.write("data/materials.qms", script);
        findings.clear();
        return materials().load("data\\materials.qms",
                                [this](const MaterialFinding& f) { findings.push_back(f); });
    }

    std::vector<const Material*> chain() {
        std::vector<const Material*> records;
        for (const Material* m = &materials().head(); m; m = m->next.get()) records.push_back(m);
        return records;
    }

    std::vector<Kind> kinds() const {
        std::vector<Kind> k;
        for (const MaterialFinding& f : findings)
            if (f.kind != Kind::ImageRead) k.push_back(f.kind);
        return k;
    }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    std::vector<MaterialFinding> findings;
};

void expectColor(const Color& c, float r, float g, float b, float a) {
    EXPECT_FLOAT_EQ(c.red, r);
    EXPECT_FLOAT_EQ(c.green, g);
    EXPECT_FLOAT_EQ(c.blue, b);
    EXPECT_FLOAT_EQ(c.alpha, a);
}

const char* kTwoRecords =
    "clouds,data\\checker.bmp,GL_REPEAT,GL_REPEAT,GL_LINEAR_MIPMAP_LINEAR,GL_LINEAR,1,1,1,0.5;"
    "blue,data\\checker.bmp,GL_CLAMP,GL_CLAMP_TO_EDGE,GL_NEAREST,GL_NEAREST,0,0,1,1;\n";

TEST_F(MaterialGlTest, TwoRecordsGiveTwoMaterialsAndATrailingUnnamedRecord) {
    ASSERT_TRUE(load(kTwoRecords));
    const auto records = chain();
    ASSERT_EQ(records.size(), 3u);
    EXPECT_EQ(records[0]->name, "clouds");
    EXPECT_EQ(records[1]->name, "blue");
    EXPECT_FALSE(records[2]->name.has_value());
    EXPECT_EQ(records[0]->prev, nullptr);
    EXPECT_EQ(records[1]->prev, records[0]);
    EXPECT_EQ(records[2]->prev, records[1]);
    EXPECT_TRUE(kinds().empty());

    const Texture& clouds = records[0]->texture;
    expectColor(records[0]->color, 1, 1, 1, 0.5f);
    EXPECT_EQ(clouds.wrapS, gl::kRepeat);
    EXPECT_EQ(clouds.minFilter, gl::kLinearMipmapLinear);
    EXPECT_TRUE(clouds.hasPicture());
    EXPECT_NE(clouds.glName, 0u);
    const Texture& blue = records[1]->texture;
    EXPECT_EQ(blue.wrapS, gl::kClamp);
    EXPECT_EQ(blue.wrapT, gl::kClampToEdge);
    EXPECT_EQ(blue.minFilter, gl::kNearest);
    EXPECT_EQ(blue.magFilter, gl::kNearest);
    expectColor(records[1]->color, 0, 0, 1, 1);
    // The trailing record has no texture object and the colour no field reached.
    EXPECT_EQ(records[2]->texture.glName, 0u);
    expectColor(records[2]->color, 1, 1, 1, 1);

    // The parameters reached OpenGL with the upload.
    glBindTexture(GL_TEXTURE_2D, blue.glName);
    GLint value = 0;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, &value);
    EXPECT_EQ(value, GL_CLAMP_TO_EDGE);
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &value);
    EXPECT_EQ(value, GL_NEAREST);
}

TEST_F(MaterialGlTest, FindReturnsTheFirstMatchAndFallsBackToTheFirstMaterial) {
    ASSERT_TRUE(load("first,x.bmp,,,,,1,0,0,1;dup,x.bmp,,,,,0,1,0,1;dup,x.bmp,,,,,0,0,1,1;"));
    Material* dup = materials().find("dup");
    expectColor(dup->color, 0, 1, 0, 1);
    EXPECT_EQ(materials().find("clouds"), &materials().head());
    EXPECT_EQ(materials().find("DUP"), &materials().head());  // case matters
    EXPECT_EQ(materials().find(""), &materials().head());     // unnamed records never match
    EXPECT_EQ(materials().head().findInChain("nothing"), nullptr);
}

TEST_F(MaterialGlTest, AnEmptyScriptLeavesOnlyTheUnnamedHead) {
    ASSERT_TRUE(load(""));
    EXPECT_EQ(chain().size(), 1u);
    Material* m = materials().find("clouds");
    EXPECT_EQ(m, &materials().head());
    EXPECT_EQ(m->texture.glName, 0u);
}

TEST_F(MaterialGlTest, AScriptThatCannotBeReadLeavesTheLibraryAsItWas) {
    ASSERT_TRUE(load(kTwoRecords));
    const auto before = chain();
    EXPECT_FALSE(materials().load("data\\nothing.qms"));
    EXPECT_EQ(chain(), before);
    EXPECT_EQ(materials().head().name, "clouds");
}

TEST_F(MaterialGlTest, LineEndsCarryNoMeaning) {
    ASSERT_TRUE(
        load("clou\r\nds,data\\checker.bmp,GL_REP\nEAT,\nGL_REPEAT,GL_LINEAR,GL_LINEAR,\n0.25,\n0.5,1,1;\n"));
    const Material& m = materials().head();
    EXPECT_EQ(m.name, "clouds");
    EXPECT_EQ(m.texture.wrapS, gl::kRepeat);
    EXPECT_EQ(m.texture.wrapT, gl::kRepeat);
    expectColor(m.color, 0.25f, 0.5f, 1, 1);
    EXPECT_TRUE(kinds().empty());
}

TEST_F(MaterialGlTest, BlanksAreKeptInNamesAndMakeKeywordsUnknown) {
    ASSERT_TRUE(load("sky, data\\checker.bmp, GL_REPEAT,GL_REPEAT ,GL_NEAREST,GL_NEAREST, 1,1,1,1;"));
    const Material& m = materials().head();
    EXPECT_EQ(m.texture.status(), ImageStatus::CannotOpen);  // " data\checker.bmp" is another file
    EXPECT_EQ(m.texture.wrapS, gl::kClamp);
    EXPECT_EQ(m.texture.wrapT, gl::kClamp);
    EXPECT_EQ(m.texture.minFilter, gl::kNearest);
    expectColor(m.color, 1, 1, 1, 1);  // numbers skip leading blanks
    EXPECT_EQ(kinds(), (std::vector<Kind>{Kind::BlanksAroundKeyword, Kind::BlanksAroundKeyword}));
    EXPECT_EQ(findings[0].kind, Kind::ImageRead);
    EXPECT_EQ(findings[0].image, ImageStatus::CannotOpen);
    EXPECT_EQ(findings[0].text, " data\\checker.bmp");
}

TEST_F(MaterialGlTest, PendingSlotsCarryTheLastStoredKeywordAcrossRecords) {
    // Record a stops after its wrap fields, leaving GL_REPEAT in both slots; b's
    // unknown wrap words hand those on. c's unknown filter words hand on its own
    // wrap modes, which are no filters, so both filters become GL_LINEAR.
    ASSERT_TRUE(
        load("a,x.bmp,GL_REPEAT,GL_REPEAT,;"
             "b,x.bmp,bogus,bogus,GL_NEAREST,GL_NEAREST,1,1,1,1;"
             "c,x.bmp,GL_CLAMP_TO_EDGE,GL_CLAMP,bogus,bogus,1,1,1,1;"
             "d,x.bmp,bogus,bogus,GL_NEAREST_MIPMAP_NEAREST,GL_NEAREST,1,1,1,1;"
             "e,x.bmp,GL_REPEAT,bogus,GL_LINEAR,GL_LINEAR,1,1,1,1;"));
    const Texture& b = materials().find("b")->texture;
    EXPECT_EQ(b.wrapS, gl::kRepeat);
    EXPECT_EQ(b.wrapT, gl::kRepeat);
    const Texture& c = materials().find("c")->texture;
    EXPECT_EQ(c.minFilter, gl::kLinear);
    EXPECT_EQ(c.magFilter, gl::kLinear);
    // c's unknown filter words left its wrap modes in the slots, and d takes them.
    const Texture& d = materials().find("d")->texture;
    EXPECT_EQ(d.wrapS, gl::kClampToEdge);
    EXPECT_EQ(d.wrapT, gl::kClamp);
    EXPECT_EQ(d.minFilter, gl::kNearestMipmapNearest);
    // e's unknown t word hands on d's magnification filter, which is no wrap mode.
    const Texture& e = materials().find("e")->texture;
    EXPECT_EQ(e.wrapS, gl::kRepeat);
    EXPECT_EQ(e.wrapT, gl::kClamp);
}

TEST_F(MaterialGlTest, FieldsBeyond255CharactersAreCutWithoutTouchingTheNextField) {
    const std::string longName(300, 'n');
    ASSERT_TRUE(load(longName + ",x.bmp,,,,,0.5,1,1,1;"));
    const Material& m = materials().head();
    EXPECT_EQ(m.name, std::string(255, 'n'));
    expectColor(m.color, 0.5f, 1, 1, 1);
    EXPECT_EQ(kinds(), (std::vector<Kind>{Kind::FieldTooLong, Kind::UnknownKeyword, Kind::UnknownKeyword,
                                          Kind::UnknownKeyword, Kind::UnknownKeyword}));
}

TEST_F(MaterialGlTest, AScriptOfNothingButSemicolonsStopsAtTheRecordLimit) {
    const int limit = MaterialLibrary::kMaxRecords;
    ASSERT_TRUE(load(std::string(static_cast<size_t>(limit) + 1000, ';') + "late,x.bmp,"));
    EXPECT_EQ(chain().size(), static_cast<size_t>(limit) + 1);  // ending with the unnamed record
    EXPECT_FALSE(chain().back()->name);
    EXPECT_EQ(materials().find("late"), &materials().head());  // never read
    ASSERT_FALSE(kinds().empty());
    EXPECT_EQ(kinds().back(), Kind::TooManyRecords);
    // Each record holds no more than a name, a colour and an empty texture.
    EXPECT_LT(sizeof(Material), 256u);
}

TEST_F(MaterialGlTest, ReportsWhatTheCheckerNeedsWithTheLineOfEachField) {
    ASSERT_TRUE(
        load("m,data\\checker.bmp,GL_REPEAT,GL_REPEAT,GL_LINEAR,GL_LINEAR,\n"
             "red,1,1,1,extra;\n"
             "short,data\\missing.png,GL_CLAMP;\n"
             "tail,x.tga"));
    std::vector<std::pair<Kind, int>> got;
    for (const MaterialFinding& f : findings) got.emplace_back(f.kind, f.line);
    const std::vector<std::pair<Kind, int>> want = {
        {Kind::ImageRead, 1}, {Kind::NotANumber, 2},     {Kind::ExtraField, 2}, {Kind::NotANumber, 2},
        {Kind::ImageRead, 3}, {Kind::RecordCutShort, 3}, {Kind::NotANumber, 3}, {Kind::RecordNotEnded, 4},
    };
    EXPECT_EQ(got, want);
    EXPECT_EQ(findings[0].image, ImageStatus::Ok);
    EXPECT_EQ(findings[4].image, ImageStatus::CannotOpen);
    EXPECT_EQ(findings[4].text, "data\\missing.png");
    EXPECT_EQ(findings[2].fieldIndex, 9);
    // ";" always ends the alpha field, whatever the index: "short" has alpha 0.
    expectColor(materials().find("short")->color, 1, 1, 1, 0);
    EXPECT_EQ(chain().size(), 3u);  // the unended "tail" record is the third, named, not followed
    EXPECT_EQ(chain().back()->name, "tail");
}

TEST_F(MaterialGlTest, TheBundledDemosMaterialsReadTheirGeneratedPicturesWithoutAFinding) {
    std::string error;
    ASSERT_TRUE(demo::writeDemoAssets(demo::buildDemoAssets(), dir.path() / "data", error)) << error;
    std::string script;
    ASSERT_TRUE(readWholeFile(QUILLMOOR_SOURCE_DIR "/demo/data/materials.qms", script));
    ASSERT_TRUE(load(script));
    EXPECT_TRUE(kinds().empty());
    int images = 0;
    for (const MaterialFinding& f : findings) {
        EXPECT_EQ(f.image, ImageStatus::Ok) << f.text << ": " << imageStatusText(f.image);
        ++images;
    }
    const auto records = chain();
    EXPECT_EQ(images + 1, int(records.size()));
    for (const Material* m : records) {
        if (!m->name) continue;
        EXPECT_TRUE(m->texture.hasPicture()) << *m->name;
        EXPECT_NE(m->texture.glName, 0u) << *m->name;
    }
}

// --- What a viewer sees -------------------------------------------------------

void drawScreenQuad() {
    glBegin(GL_QUADS);
    glTexCoord2f(0, 0);
    glVertex3f(-2.4f, -1.8f, -2);
    glTexCoord2f(1, 0);
    glVertex3f(2.4f, -1.8f, -2);
    glTexCoord2f(1, 1);
    glVertex3f(2.4f, 1.8f, -2);
    glTexCoord2f(0, 1);
    glVertex3f(-2.4f, 1.8f, -2);
    glEnd();
}

TEST_F(MaterialGlTest, ApplyShowsTheTextureTintedByTheColour) {
    ASSERT_TRUE(load("tinted,data\\checker.bmp,GL_CLAMP,GL_CLAMP,GL_NEAREST,GL_NEAREST,1,0.5,1,1;"));
    glDisable(GL_TEXTURE_2D);
    materials().find("tinted")->apply();
    EXPECT_TRUE(glIsEnabled(GL_TEXTURE_2D));
    drawScreenQuad();
    capture();
    // Bottom left red, bottom right green (halved), top left blue, top right white with half green.
    EXPECT_TRUE(test::near(pixel(200, 450), {255, 0, 0, 255})) << testing::PrintToString(pixel(200, 450));
    EXPECT_TRUE(test::near(pixel(600, 450), {0, 128, 0, 255})) << testing::PrintToString(pixel(600, 450));
    EXPECT_TRUE(test::near(pixel(200, 150), {0, 0, 255, 255})) << testing::PrintToString(pixel(200, 150));
    EXPECT_TRUE(test::near(pixel(600, 150), {255, 128, 255, 255})) << testing::PrintToString(pixel(600, 150));
}

TEST_F(MaterialGlTest, TheMaterialAlphaScalesTheTextureAlphaOverWhatIsBehind) {
    ASSERT_TRUE(load("glass,data\\checker.bmp,GL_CLAMP,GL_CLAMP,GL_NEAREST,GL_NEAREST,1,1,1,0.5;"));
    materials().head().apply();
    drawScreenQuad();
    capture();
    // Half of white over the clear colour (179, 0, 128, 255).
    EXPECT_TRUE(test::near(pixel(600, 150), {217, 128, 191, 191}, 3))
        << testing::PrintToString(pixel(600, 150));
}

TEST_F(MaterialGlTest, AMaterialWhoseImageIsMissingStillShowsItsColour) {
    ASSERT_TRUE(load("plain,data\\missing.bmp,GL_CLAMP,GL_CLAMP,GL_LINEAR,GL_LINEAR,0,1,0,1;"));
    const Material* m = materials().find("plain");
    ASSERT_NE(m->texture.glName, 0u);  // a texture object without an image
    m->apply();
    drawScreenQuad();
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), {0, 255, 0, 255})) << testing::PrintToString(pixel(400, 300));
}

TEST_F(MaterialGlTest, ARecordCutShortBeforeItsUploadLeavesTheBoundTextureInUse) {
    ASSERT_TRUE(
        load("first,data\\checker.bmp,GL_CLAMP,GL_CLAMP,GL_NEAREST,GL_NEAREST,1,1,1,1;"
             "cut,data\\checker.bmp,GL_CLAMP,1;"));
    const Material* first = materials().find("first");
    const Material* cut = materials().find("cut");
    ASSERT_EQ(cut->texture.glName, 0u);
    first->apply();
    cut->apply();
    GLint bound = 0;
    glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
    EXPECT_EQ(bound, GLint(first->texture.glName));
    GLfloat colour[4] = {};
    glGetFloatv(GL_CURRENT_COLOR, colour);
    EXPECT_FLOAT_EQ(colour[3], 1.0f);  // the ";" field "1" is its alpha
    EXPECT_FLOAT_EQ(colour[0], 1.0f);  // red never set: white
}

}  // namespace
}  // namespace qm
