// The demo-content generator: picture headers and decoding, glyph placement on the font
// pages, curve records, and byte-for-byte repeatable output.
#include <gtest/gtest.h>
#include <png.h>

#include <cmath>
#include <cstring>
#include <map>
#include <set>
#include <string>

#include "base/paths.h"
#include "scene/curve.h"
#include "support/temp_dir.h"
#include "tools/demo/curves.h"
#include "tools/demo/demo_assets.h"
#include "tools/demo/image_files.h"

namespace qm::demo {
namespace {

const std::vector<GeneratedFile>& assets() {
    static const std::vector<GeneratedFile> files = buildDemoAssets();
    return files;
}

const Bytes& asset(const std::string& name) {
    static const Bytes none;
    for (const GeneratedFile& f : assets())
        if (f.name == name) return f.bytes;
    ADD_FAILURE() << name << " is not generated";
    return none;
}

uint32_t le16(const Bytes& b, size_t at) {
    return uint32_t(b[at]) | uint32_t(b[at + 1]) << 8;
}
uint32_t le32(const Bytes& b, size_t at) {
    return le16(b, at) | le16(b, at + 2) << 16;
}
uint32_t be32(const Bytes& b, size_t at) {
    return uint32_t(b[at]) << 24 | uint32_t(b[at + 1]) << 16 | uint32_t(b[at + 2]) << 8 | b[at + 3];
}

// Decodes a PNG with libpng into RGBA, top row first; empty on failure.
std::vector<Rgba> decodePng(const Bytes& bytes, int& width, int& height) {
    png_image image;
    std::memset(&image, 0, sizeof image);
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_memory(&image, bytes.data(), bytes.size())) return {};
    image.format = PNG_FORMAT_RGBA;
    std::vector<Rgba> pixels(size_t(image.width) * image.height);
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) {
        png_image_free(&image);
        return {};
    }
    width = int(image.width);
    height = int(image.height);
    return pixels;
}

bool powerOfTwo(uint32_t v) {
    return v != 0 && (v & (v - 1)) == 0;
}

// ---- picture files -------------------------------------------------------------------

enum class Kind { PngRgb, PngRgba, PngPalette, Bmp24, Bmp8, Tga24, Tga32 };

struct ExpectedImage {
    const char* name;
    Kind kind;
    uint32_t width, height;
};

const ExpectedImage kImages[] = {
    {"fontv3-1.png", Kind::PngRgba, 256, 256},
    {"fontv3-2.png", Kind::PngRgba, 256, 256},
    {"clouds.png", Kind::PngRgb, 128, 128},
    {"blue.bmp", Kind::Bmp8, 64, 64},
    {"chess.bmp", Kind::Bmp24, 64, 64},
    {"chrome.tga", Kind::Tga24, 128, 128},
    {"skyside.png", Kind::PngRgb, 128, 128},
    {"skytop.png", Kind::PngRgb, 64, 64},
    {"backdrop.png", Kind::PngRgb, 256, 256},
    {"vignette.png", Kind::PngRgba, 256, 256},
    {"emblem.png", Kind::PngRgba, 128, 128},
    {"tunnel.png", Kind::PngRgb, 128, 128},
    {"skin.png", Kind::PngRgb, 64, 64},
    {"sym-ring.tga", Kind::Tga32, 32, 32},
    {"sym-diamond.png", Kind::PngPalette, 32, 32},
    {"sym-star.png", Kind::PngRgba, 32, 32},
    {"sym-note.png", Kind::PngRgba, 32, 32},
};

void PrintTo(const ExpectedImage& e, std::ostream* os) {
    *os << e.name;
}

class GeneratedImage : public ::testing::TestWithParam<ExpectedImage> {};

TEST_P(GeneratedImage, HasTheDeclaredHeaderAndSize) {
    const ExpectedImage& e = GetParam();
    const Bytes& b = asset(e.name);
    ASSERT_GT(b.size(), 32u);
    EXPECT_TRUE(powerOfTwo(e.width) && powerOfTwo(e.height)) << "the texture upload would rescale it";
    switch (e.kind) {
        case Kind::PngRgb:
        case Kind::PngRgba:
        case Kind::PngPalette: {
            ASSERT_EQ(png_sig_cmp(b.data(), 0, 8), 0);
            EXPECT_EQ(be32(b, 16), e.width);
            EXPECT_EQ(be32(b, 20), e.height);
            const int colourType = e.kind == Kind::PngRgb ? 2 : e.kind == Kind::PngRgba ? 6 : 3;
            EXPECT_EQ(b[25], colourType);
            if (e.kind != Kind::PngPalette) {
                EXPECT_EQ(b[24], 8) << "16-bit samples are not read";
            }
            int w = 0, h = 0;
            EXPECT_EQ(decodePng(b, w, h).size(), size_t(e.width) * e.height);
            break;
        }
        case Kind::Bmp24:
        case Kind::Bmp8: {
            const uint32_t bits = e.kind == Kind::Bmp24 ? 24 : 8;
            const uint32_t paletteEntries = e.kind == Kind::Bmp8 ? 256 : 0;
            const uint32_t stride = (e.width * bits + 31) / 32 * 4;
            ASSERT_EQ(b[0], 'B');
            ASSERT_EQ(b[1], 'M');
            EXPECT_EQ(le32(b, 2), b.size());
            EXPECT_EQ(le32(b, 10), 14 + 40 + 4 * paletteEntries);  // bfOffBits
            EXPECT_EQ(le32(b, 14), 40u);
            EXPECT_EQ(le32(b, 18), e.width);
            EXPECT_EQ(le32(b, 22), e.height);  // positive: bottom row first
            EXPECT_EQ(le16(b, 28), bits);
            EXPECT_EQ(le32(b, 30), 0u);                 // uncompressed
            EXPECT_EQ(le32(b, 34), stride * e.height);  // biSizeImage
            EXPECT_EQ(le32(b, 46), paletteEntries);     // biClrUsed: the reader reads this many
            EXPECT_EQ(b.size(), 14 + 40 + 4 * paletteEntries + stride * e.height);
            break;
        }
        case Kind::Tga24:
        case Kind::Tga32: {
            const uint32_t bits = e.kind == Kind::Tga24 ? 24 : 32;
            EXPECT_EQ(b[0], 0) << "no image ID: pixels follow the header";
            EXPECT_EQ(b[1], 0);
            EXPECT_EQ(b[2], 2);
            EXPECT_EQ(le16(b, 12), e.width);
            EXPECT_EQ(le16(b, 14), e.height);
            EXPECT_EQ(b[16], bits);
            EXPECT_EQ(b[17], bits == 32 ? 8 : 0) << "alpha bits, bottom-left origin";
            EXPECT_EQ(b.size(), 18 + size_t(e.width) * e.height * bits / 8);
            break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(DemoAssets, GeneratedImage, ::testing::ValuesIn(kImages), [](const auto& info) {
    std::string n = info.param.name;
    for (char& c : n)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return n;
});

TEST(DemoAssets, EveryFileIsCheckedAndTheWholeStaysSmall) {
    std::set<std::string> expected;
    for (const ExpectedImage& e : kImages) expected.insert(e.name);
    for (const NamedPath& p : demoPaths()) expected.insert(p.fileName);
    std::set<std::string> generated;
    size_t total = 0;
    for (const GeneratedFile& f : assets()) {
        EXPECT_TRUE(generated.insert(f.name).second) << f.name << " generated twice";
        EXPECT_FALSE(f.bytes.empty()) << f.name;
        total += f.bytes.size();
    }
    EXPECT_EQ(generated, expected);
    EXPECT_LT(total, 400u * 1024u);
}

// Bottom-up storage, channel order and row padding of the writers, on pictures small
// enough to spell out: 3 x 2, top row red green blue, bottom row white black grey.
TEST(ImageEncoders, StoreTheBottomRowFirstInBlueGreenRedOrderWithPaddedBmpRows) {
    Image image(3, 2);
    const Rgba top[3] = {{255, 0, 0, 10}, {0, 255, 0, 20}, {0, 0, 255, 30}};
    const Rgba bottom[3] = {{255, 255, 255, 40}, {0, 0, 0, 50}, {128, 128, 128, 60}};
    for (int x = 0; x < 3; ++x) {
        image.at(x, 0) = top[x];
        image.at(x, 1) = bottom[x];
    }
    const Bytes bmp = encodeBmp24(image);
    ASSERT_EQ(bmp.size(), 54u + 12u * 2u);  // 9 bytes of pixels and 3 of padding per row
    EXPECT_EQ(Bytes(bmp.begin() + 54, bmp.begin() + 66),
              (Bytes{255, 255, 255, 0, 0, 0, 128, 128, 128, 0, 0, 0}));
    EXPECT_EQ(Bytes(bmp.begin() + 66, bmp.begin() + 78), (Bytes{0, 0, 255, 0, 255, 0, 255, 0, 0, 0, 0, 0}));

    const Bytes tga = encodeTga32(image);
    ASSERT_EQ(tga.size(), 18u + 24u);
    EXPECT_EQ(Bytes(tga.begin() + 18, tga.begin() + 30),
              (Bytes{255, 255, 255, 40, 0, 0, 0, 50, 128, 128, 128, 60}));
    EXPECT_EQ(Bytes(tga.begin() + 30, tga.end()), (Bytes{0, 0, 255, 10, 0, 255, 0, 20, 255, 0, 0, 30}));

    const Bytes tga24 = encodeTga24(image);
    ASSERT_EQ(tga24.size(), 18u + 18u);
    EXPECT_EQ(tga24[18 + 9], 0);  // first pixel of the top row, stored second: blue byte of red
    EXPECT_EQ(tga24[18 + 11], 255);

    int w = 0, h = 0;
    const std::vector<Rgba> png = decodePng(encodePngRgba(image), w, h);
    ASSERT_EQ(png.size(), 6u);
    EXPECT_EQ(png[0], top[0]) << "PNG keeps the top row first";
    EXPECT_EQ(png[5], bottom[2]);
    EXPECT_EQ(decodePng(encodePngRgb(image), w, h)[2], (Rgba{0, 0, 255, 255})) << "RGB drops alpha";
}

TEST(ImageEncoders, WritePalettesWithEveryEntryAndTransparencyWhereAsked) {
    IndexedImage image(5, 1);
    image.palette = {{0, 0, 0, 0}, {10, 20, 30, 255}, {200, 100, 50, 128}};
    image.indices = {0, 1, 2, 1, 0};
    const Bytes bmp = encodeBmp8(image);
    ASSERT_EQ(bmp.size(), 54u + 3u * 4u + 8u);  // 5 indices padded to 8 bytes
    EXPECT_EQ(le32(bmp, 46), 3u);
    EXPECT_EQ(Bytes(bmp.begin() + 58, bmp.begin() + 62), (Bytes{30, 20, 10, 0}));  // blue, green, red, 0
    EXPECT_EQ(Bytes(bmp.begin() + 66, bmp.end()), (Bytes{0, 1, 2, 1, 0, 0, 0, 0}));

    int w = 0, h = 0;
    const std::vector<Rgba> png = decodePng(encodePngPalette(image), w, h);
    ASSERT_EQ(png.size(), 5u);
    EXPECT_EQ(png[0].a, 0);
    EXPECT_EQ(png[1], (Rgba{10, 20, 30, 255}));
    EXPECT_EQ(png[2], (Rgba{200, 100, 50, 128}));

    // An index past the palette would read colours the file does not have: refused.
    image.indices[4] = 3;
    EXPECT_TRUE(encodeBmp8(image).empty());
    EXPECT_TRUE(encodePngPalette(image).empty());
    EXPECT_TRUE(encodeBmp24(Image(0, 4)).empty());
}

// ---- font pages ------------------------------------------------------------------------

class FontPages : public ::testing::Test {
protected:
    static constexpr int kCell = 64;

    void SetUp() override {
        for (int page = 0; page < 2; ++page) {
            int w = 0, h = 0;
            pages_[page] = decodePng(asset(page == 0 ? "fontv3-1.png" : "fontv3-2.png"), w, h);
            ASSERT_EQ(w, 4 * kCell);
            ASSERT_EQ(h, 4 * kCell);
        }
    }

    // Pixel (x, y) of the cell that holds glyph g, y from the cell's top; by the layout,
    // glyph g is in sheet row g / 8 and column g % 8, columns 4-7 on page 2.
    const Rgba& glyphPixel(int g, int x, int y) const {
        const int row = g / 8, column = g % 8;
        const std::vector<Rgba>& page = pages_[column < 4 ? 0 : 1];
        return page[size_t(row * kCell + y) * (4 * kCell) + size_t((column % 4) * kCell + x)];
    }

    static bool whiteInk(const Rgba& p) { return p.a > 128 && p.r > 128 && p.g > 128 && p.b > 128; }

    // Number of white-ink pixels of the glyph in rows [y0, y1), and their mean x.
    int inkIn(char c, int y0, int y1, double* meanX = nullptr) const {
        int n = 0;
        double sum = 0;
        for (int y = y0; y < y1; ++y)
            for (int x = 0; x < kCell; ++x)
                if (whiteInk(glyphPixel(c - 'a', x, y))) {
                    ++n;
                    sum += x;
                }
        if (meanX) *meanX = n ? sum / n : -1;
        return n;
    }

    std::vector<Rgba> pages_[2];
};

TEST_F(FontPages, EveryGlyphCellHoldsInkThatFitsTheAdvance) {
    // The pen advances 0.6 of a cell, so ink past that would run into the next letter.
    const int advance = kCell * 6 / 10;
    for (int g = 0; g < 32; ++g) {
        int ink = 0, widest = -1;
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x)
                if (whiteInk(glyphPixel(g, x, y))) {
                    ++ink;
                    widest = std::max(widest, x);
                }
        EXPECT_GT(ink, 40) << "glyph " << g;
        EXPECT_LT(widest, advance) << "glyph " << g;
    }
}

TEST_F(FontPages, LettersStandUprightInTheirOwnCells) {
    // Top and bottom fifths of a cell: only ascenders reach the one, only descenders the other.
    const int band = kCell / 5;
    for (char c : std::string("bdfhklt")) EXPECT_GT(inkIn(c, 0, band), 0) << c << " has an ascender";
    for (char c : std::string("gjpqy"))
        EXPECT_GT(inkIn(c, kCell - band, kCell), 0) << c << " has a descender";
    for (char c : std::string("acemnorsuvwxz")) {
        EXPECT_EQ(inkIn(c, 0, band), 0) << c << " stays below the ascender line";
        EXPECT_EQ(inkIn(c, kCell - band, kCell), 0) << c << " stays above the descender line";
    }
    for (char c : std::string("bdfhklt")) EXPECT_EQ(inkIn(c, kCell - band, kCell), 0) << c;
    // Not mirrored: b has its stem on the left, d on the right; p's tail is left, q's right.
    double b = 0, d = 0, p = 0, q = 0;
    inkIn('b', 0, band, &b);
    inkIn('d', 0, band, &d);
    inkIn('p', kCell - band, kCell, &p);
    inkIn('q', kCell - band, kCell, &q);
    EXPECT_LT(b, d);
    EXPECT_LT(p, q);
}

TEST_F(FontPages, GroundIsTransparentAndInkHasADarkRim) {
    // The corners of every cell are bare, and around the white ink there is dark, partly
    // opaque rim, so that text reads over light pictures too.
    int rim = 0;
    for (int g = 0; g < 32; ++g) {
        EXPECT_EQ(glyphPixel(g, 0, 0).a, 0) << g;
        EXPECT_EQ(glyphPixel(g, kCell - 1, kCell - 1).a, 0) << g;
        for (int y = 0; y < kCell; ++y)
            for (int x = 0; x < kCell; ++x) {
                const Rgba& px = glyphPixel(g, x, y);
                if (px.a > 100 && px.r < 60) ++rim;
            }
    }
    EXPECT_GT(rim, 32 * 40);
}

// ---- curves ----------------------------------------------------------------------------

float floatAt(const Bytes& b, size_t at) {
    const uint32_t bits = le32(b, at);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

TEST(DemoCurves, AreFullRecordsWithSaneCountsAndUnusedKeysZero) {
    ASSERT_GE(demoPaths().size(), 4u);
    for (const NamedPath& path : demoPaths()) {
        SCOPED_TRACE(path.fileName);
        const Bytes& b = asset(path.fileName);
        ASSERT_EQ(b.size(), 2564u);
        const int32_t n = int32_t(le32(b, 0));
        ASSERT_GE(n, 1);
        ASSERT_LE(n, 63);
        for (int k = 0; k < 64; ++k) {
            for (int f = 0; f < 10; ++f) {
                const size_t at = 4 + 40 * size_t(k) + 4 * size_t(f);
                if (k > n || f == 9) {
                    EXPECT_EQ(le32(b, at), 0u) << "key " << k << " field " << f;
                } else {
                    EXPECT_TRUE(std::isfinite(floatAt(b, at))) << "key " << k;
                }
            }
        }
    }
}

// Where each path may go in its scene (scene units; the far plane is 500 away).
struct PathBounds {
    const char* name;
    bool closed;            // loops back to its start, for looping motion
    float lowest;           // lowest height: clear of the floor and its ripples where there is one
    float nearestToCentre;  // least horizontal distance from the scene's centre
};

const PathBounds kPathBounds[] = {
    {"knotloop.crv", true, -10.0f, 100.0f},  // the camera round the knot, and round the ball
    {"figure8.crv", true, -10.0f, 0.0f},     // cubes, hung 28 over the floor
    {"flyover.crv", true, 20.0f, 0.0f},      // the camera over the floor
    {"descent.crv", false, 15.0f, 60.0f},    // the camera down to the models on their stage
    {"approach.crv", false, -1.0f, 0.0f},    // the finale's quill, from far ahead to the centre
};

TEST(DemoCurves, StayWhereTheirScenesNeedThemAndLoopsCloseSmoothly) {
    ASSERT_EQ(std::size(kPathBounds), demoPaths().size());
    for (const PathBounds& bounds : kPathBounds) {
        SCOPED_TRACE(bounds.name);
        const Bytes& b = asset(bounds.name);
        Curve curve;
        ASSERT_EQ(curve.parse(b.data(), b.size()), Curve::LoadResult::Loaded);
        for (int i = 0; i <= 200; ++i) {
            const Vec3 p = curve.evaluate(float(i) / 200.0f);
            EXPECT_LT(std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z), 450.0f) << "t = " << i / 200.0;
            EXPECT_GE(p.y, bounds.lowest) << "t = " << i / 200.0;
            EXPECT_GE(std::hypot(p.x, p.z), bounds.nearestToCentre) << "t = " << i / 200.0;
        }
        const int n = curve.segmentCount;
        if (bounds.closed) {
            EXPECT_EQ(curve.keys[0].point, curve.keys[n].point);
            // Smooth through the seam: the handles either side point in opposite directions.
            EXPECT_EQ(curve.keys[n].inHandle, curve.keys[0].outHandle.scaled(-1.0f));
        } else {
            EXPECT_FALSE(curve.keys[0].point == curve.keys[n].point);
        }
    }
}

// ---- repeatability and writing ------------------------------------------------------------

TEST(DemoAssets, TwoRunsWriteTheSameBytes) {
    test::TempDir first, second;
    std::string error;
    ASSERT_TRUE(writeDemoAssets(buildDemoAssets(), first.path() / "data", error)) << error;
    ASSERT_TRUE(writeDemoAssets(buildDemoAssets(), second.path() / "data", error)) << error;
    size_t compared = 0;
    for (const auto& entry : std::filesystem::directory_iterator(first.path() / "data")) {
        const std::string name = entry.path().filename().string();
        std::string a, b;
        ASSERT_TRUE(readWholeFile(entry.path().string(), a));
        ASSERT_TRUE(readWholeFile((second.path() / "data" / name).string(), b)) << name;
        EXPECT_TRUE(a == b) << name << " differs between runs";
        EXPECT_EQ(a.size(), asset(name).size()) << name;
        ++compared;
    }
    EXPECT_EQ(compared, assets().size()) << "no stray or missing files";
}

TEST(DemoAssets, WritingReportsFailureInsteadOfLeavingPartialFiles) {
    test::TempDir dir;
    std::string error;
    // An empty encoder result is an error, not an empty file.
    EXPECT_FALSE(writeDemoAssets({{"ok.bin", {1, 2}}, {"broken.png", {}}}, dir.path() / "data", error));
    EXPECT_NE(error.find("broken.png"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir.path() / "data" / "broken.png"));
    // A data folder that cannot be made.
    dir.write("blocked", "a file where the folder should be");
    error.clear();
    EXPECT_FALSE(writeDemoAssets({{"x.bin", {1}}}, dir.path() / "blocked" / "data", error));
    EXPECT_FALSE(error.empty());
}

}  // namespace
}  // namespace qm::demo
