// Image readers against files made by ImageMagick and netpbm, and against hand-made hostile headers.
#include <gtest/gtest.h>

#include <cctype>
#include <cmath>
#include <cstring>
#include <filesystem>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "base/paths.h"
#include "resources/texture.h"
#include "support/image_files.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using test::BmpLayout;
using test::le16;
using test::le32;
using test::makeBmp;
using test::makeTga;

using Rgb = std::array<int, 3>;

DiskFiles disk;  // the readers read what is on disk

// The pictures of make_fixtures.sh, top row first.
const std::vector<std::vector<Rgb>> kCard = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}},
    {{255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {128, 128, 128}, {64, 32, 16}},
    {{200, 100, 50}, {10, 20, 30}, {255, 128, 0}, {0, 128, 255}, {90, 60, 30}},
};
const std::vector<std::vector<Rgb>> kCard6 = {
    {{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {255, 255, 255}, {0, 0, 0}, {20, 200, 100}},
    {{255, 255, 0}, {0, 255, 255}, {255, 0, 255}, {128, 128, 128}, {64, 32, 16}, {100, 20, 200}},
    {{200, 100, 50}, {10, 20, 30}, {255, 128, 0}, {0, 128, 255}, {90, 60, 30}, {200, 20, 100}},
};
const std::vector<std::vector<Rgb>> kGrey = {
    {{0, 0, 0}, {32, 32, 32}, {64, 64, 64}, {96, 96, 96}, {128, 128, 128}},
    {{160, 160, 160}, {192, 192, 192}, {224, 224, 224}, {255, 255, 255}, {10, 10, 10}},
    {{20, 20, 20}, {30, 30, 30}, {40, 40, 40}, {50, 50, 50}, {60, 60, 60}},
};
const std::vector<std::vector<int>> kAlphaRamp = {
    {255, 255, 255, 255, 255},
    {128, 128, 128, 128, 128},
    {0, 40, 80, 160, 220},
};

std::string fixture(const char* name) {
    return std::string(QUILLMOOR_SOURCE_DIR "/tests/fixtures/images/") + name;
}

std::string readFixture(const char* name) {
    std::string bytes;
    readWholeFile(fixture(name), bytes);
    return bytes;
}

// The build writes every fixture again with the encoders installed now
// (make_fixtures.sh, run from tests/CMakeLists.txt), so that the readers are also
// tried on what today's ImageMagick and netpbm write, not only on the committed copies.
enum class Copy { Committed, Built };

std::string builtFixture(const char* name) {
    return std::string(QUILLMOOR_BUILT_IMAGES_DIR "/") + name;
}

// True when the build found no such encoder and so wrote none of its files.
bool encoderMissing(const std::string& encoder) {
    std::string missing;
    readWholeFile(builtFixture("missing-encoders"), missing);
    return missing.find(encoder) != std::string::npos;
}

enum class RowOrder { TopFirst, BottomFirst };
enum class Alpha { Opaque, Ramp };
using Bits = std::array<int, 3>;  // bits kept of red, green, blue
constexpr Bits kFull = {8, 8, 8};

// What a 16-bit BMP of `bits` bits holds for the 8-bit value v: the encoders keep
// floor(v x (2^bits - 1) / 255); the reader widens that back by repeating its bits.
int widened(int v, int bits) {
    if (bits == 8) return v;
    const int kept = v * ((1 << bits) - 1) / 255;
    int out = 0;
    for (int shift = 8 - bits; shift > -bits; shift -= bits)
        out |= shift >= 0 ? kept << shift : kept >> -shift;
    return out & 0xFF;
}

// Hand-made variants of real files, for what no encoder here writes.
using Variant = std::string (*)(const std::string&);

// 5-6-5 with blue in the top five bits and red in the low five: the masks and every
// word of an RGB565 file with red and blue exchanged.
std::string blueHigh565(const std::string& rgb565) {
    std::string bytes = rgb565;
    bytes.replace(54, 12, le32(0x001F) + le32(0x07E0) + le32(0xF800));
    const size_t offBits = uint8_t(bytes[10]) | uint8_t(bytes[11]) << 8;
    for (size_t at = offBits; at + 1 < bytes.size(); at += 2) {
        const uint16_t w = uint16_t(uint8_t(bytes[at]) | uint8_t(bytes[at + 1]) << 8);
        bytes.replace(at, 2, le16(uint16_t((w & 0x07E0) | w >> 11 | (w & 0x001F) << 11)));
    }
    return bytes;
}

struct FixtureCase {
    const char* file;
    ImageStatus status;
    int width;
    int height;
    int bitsPerPixel;                              // after the read
    const std::vector<std::vector<Rgb>>* picture;  // null: no picture expected
    RowOrder order = RowOrder::BottomFirst;
    Alpha alpha = Alpha::Opaque;
    Bits bits = kFull;
    ImageNote::Kind note = ImageNote::Kind::None;
    Variant variant = nullptr;  // applied to the file's bytes before the read
    const char* variantName = "";
};

void PrintTo(const FixtureCase& c, std::ostream* os) {
    *os << c.file << c.variantName;
}
void PrintTo(Copy copy, std::ostream* os) {
    *os << (copy == Copy::Built ? "built" : "committed");
}

using FixtureParam = std::tuple<FixtureCase, Copy>;

std::string fixtureTestName(const ::testing::TestParamInfo<FixtureParam>& info) {
    const FixtureCase& c = std::get<0>(info.param);
    std::string name = std::string(c.file) + c.variantName +
                       (std::get<1>(info.param) == Copy::Built ? "_built" : "_committed");
    for (char& ch : name)
        if (!std::isalnum(static_cast<unsigned char>(ch))) ch = '_';
    return name;
}

class FixtureTest : public ::testing::TestWithParam<FixtureParam> {};

TEST_P(FixtureTest, ReadsThePictureTheEncoderWrote) {
    const auto& [c, copy] = GetParam();
    const std::string path = copy == Copy::Built ? builtFixture(c.file) : fixture(c.file);
    std::string bytes;
    if (!readWholeFile(path, bytes)) {
        const std::string encoder = std::strstr(c.file, "_netpbm") ? "netpbm" : "imagemagick";
        if (copy == Copy::Built && encoderMissing(encoder))
            GTEST_SKIP() << encoder << " is not installed (Debian package " << encoder
                         << "), so the build wrote no " << c.file << "; the committed copy is still read";
        FAIL() << "no " << path;
    }
    if (c.variant) bytes = c.variant(bytes);
    Texture t;
    const std::string_view ext = std::string_view(c.file).substr(std::strlen(c.file) - 3);
    const bool read = ext == "bmp"   ? t.readBmpData(bytes)
                      : ext == "tga" ? t.readTgaData(bytes)
                                     : t.readPngData(bytes);
    EXPECT_EQ(read, c.status == ImageStatus::Ok);
    EXPECT_EQ(t.status(), c.status);
    EXPECT_EQ(t.note().kind, c.note);
    EXPECT_EQ(t.width, c.width);
    EXPECT_EQ(t.height, c.height);
    EXPECT_EQ(t.bitsPerPixel, c.bitsPerPixel);
    if (!c.picture) {
        EXPECT_FALSE(t.hasPicture());
        return;
    }
    ASSERT_EQ(t.pixels.size(), size_t(c.width) * c.height * 4);
    for (int row = 0; row < c.height; ++row) {
        const int pictureRow = c.order == RowOrder::TopFirst ? row : c.height - 1 - row;
        for (int x = 0; x < c.width; ++x) {
            const uint8_t* p = &t.pixels[(size_t(row) * c.width + x) * 4];
            const Rgb& want = (*c.picture)[pictureRow][x];
            for (int ch = 0; ch < 3; ++ch)
                EXPECT_EQ(p[ch], widened(want[ch], c.bits[ch]))
                    << "row " << row << " x " << x << " channel " << ch;
            const int alpha = c.alpha == Alpha::Opaque ? 255 : kAlphaRamp[pictureRow][x];
            EXPECT_EQ(p[3], alpha) << "row " << row << " x " << x;
        }
    }
}

constexpr auto kOk = ImageStatus::Ok;
constexpr auto kUnsupported = ImageStatus::Unsupported;
constexpr auto kTop = RowOrder::TopFirst;
constexpr auto kBottom = RowOrder::BottomFirst;
constexpr auto kOpaque = Alpha::Opaque;
constexpr auto kRamp = Alpha::Ramp;
constexpr auto kNoNote = ImageNote::Kind::None;
const auto kBothCopies = ::testing::Values(Copy::Committed, Copy::Built);

INSTANTIATE_TEST_SUITE_P(
    Bmp, FixtureTest,
    ::testing::Combine(
        ::testing::Values(
            FixtureCase{"bmp24_im.bmp", kOk, 5, 3, 32, &kCard},
            FixtureCase{"bmp24_netpbm.bmp", kOk, 5, 3, 32, &kCard},  // biSizeImage 0
            FixtureCase{"bmp32_im.bmp", kOk, 5, 3, 32, &kCard},      // its alpha is not read
            FixtureCase{"bmp16_rgb565_im.bmp", kOk, 5, 3, 32, &kCard, kBottom, kOpaque, {5, 6, 5}},
            FixtureCase{"bmp16_rgb555_im.bmp", kOk, 5, 3, 32, &kCard, kBottom, kOpaque, {5, 5, 5}},
            FixtureCase{"bmp16_argb4444_im.bmp", kOk, 5, 3, 32, &kCard, kBottom, kOpaque, {4, 4, 4}},
            FixtureCase{"bmp16_rgb565_im.bmp",
                        kOk,
                        5,
                        3,
                        32,
                        &kCard,
                        kBottom,
                        kOpaque,
                        {5, 6, 5},
                        kNoNote,
                        blueHigh565,
                        "_blue_high"},
            FixtureCase{"bmp8_im.bmp", kOk, 6, 3, 32, &kCard6},
            FixtureCase{"bmp4_im.bmp", kOk, 5, 3, 32, &kCard},
            // The colour table after a 124- or 108-byte header.
            FixtureCase{"bmp4_v5_im.bmp", kOk, 5, 3, 32, &kCard},
            FixtureCase{"bmp4_format4_im.bmp", kOk, 5, 3, 32, &kCard},
            FixtureCase{"bmp4_v4_im.bmp", kOk, 5, 3, 32, &kCard},
            FixtureCase{"bmp8_v5_im.bmp", kOk, 6, 3, 32, &kCard6},
            // biClrUsed 0: the whole table of 2^bits entries.
            FixtureCase{"bmp8_netpbm.bmp", kOk, 5, 3, 32, &kCard},
            FixtureCase{"bmp4_netpbm.bmp", kOk, 5, 3, 32, &kCard},
            // Stored top-down, read the same way up as the bottom-up file.
            FixtureCase{"bmp24_im.bmp", kOk, 5, 3, 32, &kCard, kBottom, kOpaque, kFull, kNoNote,
                        test::bmpTopDown, "_top_down"},
            FixtureCase{"bmp32_im.bmp", kOk, 5, 3, 32, &kCard, kBottom, kOpaque, kFull, kNoNote,
                        test::bmpTopDown, "_top_down"},
            FixtureCase{"bmp4_netpbm.bmp", kOk, 5, 3, 32, &kCard, kBottom, kOpaque, kFull, kNoNote,
                        test::bmpTopDown, "_top_down"},
            FixtureCase{"bmp1_netpbm.bmp", kUnsupported, 5, 3, 1, nullptr, kBottom, kOpaque, kFull,
                        ImageNote::Kind::BmpBitsPerPixel},
            FixtureCase{"bmp_os2_im.bmp", kUnsupported, 0, 0, 0, nullptr, kBottom, kOpaque, kFull,
                        ImageNote::Kind::BmpCoreHeader},
            FixtureCase{"bmp_os2_netpbm.bmp", kUnsupported, 0, 0, 0, nullptr, kBottom, kOpaque, kFull,
                        ImageNote::Kind::BmpCoreHeader},
            FixtureCase{"bmp_rle8_im.bmp", kUnsupported, 5, 3, 8, nullptr, kBottom, kOpaque, kFull,
                        ImageNote::Kind::BmpCompression}),
        kBothCopies),
    fixtureTestName);

// ImageMagick stores the top row first whatever the origin it writes; netpbm the
// bottom row first. Rows stay in file order either way.
INSTANTIATE_TEST_SUITE_P(
    Tga, FixtureTest,
    ::testing::Combine(
        ::testing::Values(FixtureCase{"tga24_im.tga", kOk, 5, 3, 24, &kCard, kTop},
                          FixtureCase{"tga24_topleft_im.tga", kOk, 5, 3, 24, &kCard, kTop, kOpaque, kFull,
                                      ImageNote::Kind::TgaTopOrigin},
                          FixtureCase{"tga24_netpbm.tga", kOk, 5, 3, 24, &kCard, kBottom},
                          FixtureCase{"tga32_im.tga", kOk, 5, 3, 32, &kCard, kTop, kRamp},
                          // An image-ID field before the pixels.
                          FixtureCase{"tga24_comment_im.tga", kOk, 5, 3, 24, &kCard, kTop},
                          FixtureCase{"tga24_comment_topleft_im.tga", kOk, 5, 3, 24, &kCard, kTop, kOpaque,
                                      kFull, ImageNote::Kind::TgaTopOrigin},
                          FixtureCase{"tga32_comment_im.tga", kOk, 5, 3, 32, &kCard, kTop, kRamp},
                          FixtureCase{"tga24_named_netpbm.tga", kOk, 5, 3, 24, &kCard, kBottom},
                          FixtureCase{"tga_rle_im.tga", kUnsupported, 0, 0, 0, nullptr, kBottom, kOpaque,
                                      kFull, ImageNote::Kind::TgaImageType}),
        kBothCopies),
    fixtureTestName);

INSTANTIATE_TEST_SUITE_P(
    Png, FixtureTest,
    ::testing::Combine(
        ::testing::Values(FixtureCase{"png_palette_im.png", kOk, 5, 3, 32, &kCard, kTop},
                          FixtureCase{"png_palette4_netpbm.png", kOk, 5, 3, 32, &kCard, kTop},
                          FixtureCase{"png_palette_trns_netpbm.png", kOk, 5, 3, 32, &kCard, kTop, kRamp},
                          FixtureCase{"png_grey_im.png", kOk, 5, 3, 32, &kGrey, kTop},
                          FixtureCase{"png_grey_alpha_im.png", kOk, 5, 3, 32, &kGrey, kTop, kRamp},
                          FixtureCase{"png_rgb_im.png", kOk, 5, 3, 32, &kCard, kTop},
                          FixtureCase{"png_rgba_im.png", kOk, 5, 3, 32, &kCard, kTop, kRamp},
                          FixtureCase{"png_interlaced_im.png", kOk, 5, 3, 32, &kCard, kTop},
                          // 16-bit samples keep their high byte (netpbm's low bytes are 0xA5).
                          FixtureCase{"png_rgb16_im.png", kOk, 5, 3, 32, &kCard, kTop},
                          FixtureCase{"png_rgba16_im.png", kOk, 5, 3, 32, &kCard, kTop, kRamp},
                          FixtureCase{"png_grey16_im.png", kOk, 5, 3, 32, &kGrey, kTop},
                          FixtureCase{"png_grey_alpha16_im.png", kOk, 5, 3, 32, &kGrey, kTop, kRamp},
                          FixtureCase{"png_rgb16_netpbm.png", kOk, 5, 3, 32, &kCard, kTop}),
        kBothCopies),
    fixtureTestName);

TEST(PngReader, AppliesTheFileGammaAgainstAScreenGammaOf2_2) {
    // gAMA 1.0: each channel becomes 255 * (v / 255)^(1 / 2.2).
    Texture t;
    ASSERT_TRUE(t.loadImage(fixture("png_gamma1_netpbm.png"), disk));
    for (int row = 0; row < 3; ++row)
        for (int x = 0; x < 5; ++x)
            for (int ch = 0; ch < 3; ++ch) {
                const double v = kCard[row][x][ch] / 255.0;
                const double want = 255.0 * std::pow(v, 1.0 / 2.2);
                EXPECT_NEAR(t.pixels[(size_t(row) * 5 + x) * 4 + ch], want, 1.0) << row << "," << x;
            }
}

// Reader choice by the last three characters of the name.
struct ChoiceCase {
    const char* name;
    ImageStatus status;
};
void PrintTo(const ChoiceCase& c, std::ostream* os) {
    *os << c.name;
}

class ReaderChoiceTest : public ::testing::TestWithParam<ChoiceCase> {};

TEST_P(ReaderChoiceTest, PicksTheReaderByTheLastThreeCharacters) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    // Every file holds a valid BMP, so only the chosen reader decides.
    const std::string bmp = makeBmp({.pixelData = std::string(4, '\x40')});
    for (const char* name : {"WALL.BMP", "wall.Bmp", "wallbmp", "wall.jpg", "bm", "wall.png", "wall.tga"})
        dir.write(name, bmp);
    Texture t;
    t.loadImage(GetParam().name, disk);
    EXPECT_EQ(t.status(), GetParam().status);
}

INSTANTIATE_TEST_SUITE_P(Names, ReaderChoiceTest,
                         ::testing::Values(ChoiceCase{"WALL.BMP", kOk}, ChoiceCase{"wall.Bmp", kOk},
                                           ChoiceCase{"wallbmp", kOk},
                                           ChoiceCase{"wall.jpg", ImageStatus::UnknownExtension},
                                           ChoiceCase{"bm", ImageStatus::UnknownExtension},
                                           ChoiceCase{"wall.png", ImageStatus::NotThisFormat},
                                           ChoiceCase{"wall.tga", ImageStatus::NotThisFormat},
                                           ChoiceCase{"missing.bmp", ImageStatus::CannotOpen}),
                         [](const auto& info) {
                             std::string name = info.param.name;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

TEST(ReaderChoice, ScriptPathsWithBackslashesAndOtherCaseAreFound) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("Data/Wall.bmp", makeBmp({.pixelData = std::string(4, '\x40')}));
    Texture t;
    EXPECT_TRUE(t.loadImage("data\\wall.BMP", disk));
}

TEST(ReaderChoice, ANewLoadDropsThePreviousPictureEvenWhenItFails) {
    Texture t;
    ASSERT_TRUE(t.readBmpData(makeBmp({.pixelData = std::string(4, '\x40')})));
    EXPECT_FALSE(t.loadImage("nothing.jpg", disk));
    EXPECT_FALSE(t.hasPicture());
}

// --- Hand-made BMP files ---------------------------------------------------

TEST(BmpReader, Rows24BitArePaddedInTheFileAndPackedInMemory) {
    // 3 pixels wide: 9 bytes of pixels and 3 of padding per row; biSizeImage 0.
    std::string rows;
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) rows += {char(x), char(10 * y), char(100 + x)};  // blue, green, red
        rows += std::string(3, '\x77');
    }
    Texture t;
    ASSERT_TRUE(t.readBmpData(makeBmp({.width = 3, .height = 2, .pixelData = rows})));
    EXPECT_EQ(t.byteLength, 24);
    ASSERT_EQ(t.pixels.size(), 24u);
    const std::vector<uint8_t> want = {100, 0,  0, 255, 101, 0,  1, 255, 102, 0,  2, 255,
                                       100, 10, 0, 255, 101, 10, 1, 255, 102, 10, 2, 255};
    EXPECT_EQ(t.pixels, want);
}

std::string masks(uint32_t r, uint32_t g, uint32_t b) {
    return le32(r) + le32(g) + le32(b);
}

struct Word16Case {
    uint16_t word;
    std::array<int, 4> rgba;
};

TEST(BmpReader, Widens16BitChannelsByRepeatingTheirBits) {
    const std::vector<Word16Case> cases = {
        {0xFFFF, {255, 255, 255, 255}}, {0x0000, {0, 0, 0, 255}},   {0xF800, {255, 0, 0, 255}},
        {0x07E0, {0, 255, 0, 255}},     {0x001F, {0, 0, 255, 255}}, {0x8410, {132, 130, 132, 255}},
        {0x0841, {8, 8, 8, 255}},
    };
    std::string rows;
    for (const Word16Case& c : cases) rows += le16(c.word);
    rows.resize((rows.size() + 3) / 4 * 4, '\0');
    Texture t;
    ASSERT_TRUE(t.readBmpData(makeBmp({.width = int32_t(cases.size()),
                                       .bitsPerPixel = 16,
                                       .compression = 3,
                                       .extra = masks(0xF800, 0x07E0, 0x001F),
                                       .pixelData = rows})));
    EXPECT_EQ(t.redMask, 0xF800u);
    for (size_t i = 0; i < cases.size(); ++i)
        for (int ch = 0; ch < 4; ++ch) EXPECT_EQ(t.pixels[i * 4 + ch], cases[i].rgba[ch]) << "word " << i;
}

TEST(BmpReader, WidensEveryChannelWidthFromOneToEightBits) {
    // Red takes bits 8.., green bits 0.. of the word; the table is the repeat rule.
    struct Width {
        int bits;
        uint32_t value;
        int widened;
    };
    const std::vector<Width> widths = {{1, 1, 255},   {2, 1, 0x55},  {3, 5, 0xB6},  {4, 9, 0x99},
                                       {5, 17, 0x8C}, {6, 33, 0x86}, {7, 65, 0x83}, {8, 0xA5, 0xA5}};
    for (const Width& w : widths) {
        const uint32_t redMask = ((1u << w.bits) - 1) << 8;
        Texture t;
        ASSERT_TRUE(t.readBmpData(makeBmp({.bitsPerPixel = 16,
                                           .compression = 3,
                                           .extra = masks(redMask, 0, 0),
                                           .pixelData = le16(uint16_t(w.value << 8)) + le16(0)})));
        EXPECT_EQ(t.pixels[0], w.widened) << w.bits << " bits";
        EXPECT_EQ(t.pixels[1], 0) << "a zero mask gives 0";
    }
}

TEST(BmpReader, SixteenBitWithoutBitFieldsUsesTheDefault555Masks) {
    // 0x7FFF is white in 5-5-5; 0x7C00 pure red.
    Texture t;
    ASSERT_TRUE(
        t.readBmpData(makeBmp({.width = 2, .bitsPerPixel = 16, .pixelData = le16(0x7FFF) + le16(0x7C00)})));
    EXPECT_EQ(t.redMask, 0x7C00u);
    EXPECT_EQ(t.greenMask, 0x03E0u);
    EXPECT_EQ(t.blueMask, 0x001Fu);
    const std::vector<uint8_t> want = {255, 255, 255, 255, 255, 0, 0, 255};
    EXPECT_EQ(t.pixels, want);
}

std::string paletteOf(int entries) {
    std::string p;
    for (int i = 0; i < entries; ++i) p += {char(i), char(2 * i), char(3 * i), '\0'};  // blue, green, red
    return p;
}

TEST(BmpReader, EightBitIndexesThePaletteStoredBlueGreenRed) {
    std::string palette = paletteOf(2);
    palette.replace(4, 4, std::string{'\x10', '\x20', '\x30', '\0'});
    Texture t;
    ASSERT_TRUE(t.readBmpData(makeBmp({.width = 4,
                                       .bitsPerPixel = 8,
                                       .clrUsed = 2,
                                       .extra = palette,
                                       .pixelData = std::string{1, 0, 1, 1}})));
    const std::vector<uint8_t> want = {0x30, 0x20, 0x10, 255, 0,    0,    0,    255,
                                       0x30, 0x20, 0x10, 255, 0x30, 0x20, 0x10, 255};
    EXPECT_EQ(t.pixels, want);
}

TEST(BmpReader, FourBitTakesTheHighNibbleFirstAndRowsStartOnFourByteBoundaries) {
    // 3 pixels wide: row bytes 0x12 0x3_ then padding; the next row starts 4 bytes on.
    const std::string rows =
        std::string{'\x12', '\x3F', '\x7E', '\x7E'} + std::string{'\x45', '\x6F', '\x7E', '\x7E'};
    Texture t;
    ASSERT_TRUE(t.readBmpData(makeBmp({.width = 3,
                                       .height = 2,
                                       .bitsPerPixel = 4,
                                       .clrUsed = 16,
                                       .extra = paletteOf(16),
                                       .pixelData = rows})));
    std::vector<int> reds;
    for (size_t i = 0; i < t.pixels.size(); i += 4) reds.push_back(t.pixels[i]);
    EXPECT_EQ(reds, (std::vector<int>{3, 6, 9, 12, 15, 18}));  // red = 3 x index
}

TEST(BmpReader, ThirtyTwoBitIgnoresTheFourthByte) {
    Texture t;
    ASSERT_TRUE(t.readBmpData(
        makeBmp({.bitsPerPixel = 32, .pixelData = std::string{'\x01', '\x02', '\x03', '\x04'}})));
    EXPECT_EQ(t.pixels, (std::vector<uint8_t>{3, 2, 1, 255}));
}

TEST(BmpReader, TheColourTableEndsWhereThePixelDataStartsAndTheRestIsBlack) {
    // biClrUsed 0 asks for 256 entries; the pixel data starts after two.
    const BmpLayout base{.width = 4, .bitsPerPixel = 8, .extra = paletteOf(2)};
    BmpLayout usesTwo = base, usesMore = base;
    usesTwo.pixelData = std::string{1, 0, 1, 0};
    usesMore.pixelData = std::string{1, 0, 2, '\xFF'};
    Texture t;
    ASSERT_TRUE(t.readBmpData(makeBmp(usesTwo)));
    EXPECT_EQ(t.note().kind, ImageNote::Kind::None);
    ASSERT_TRUE(t.readBmpData(makeBmp(usesMore)));
    EXPECT_EQ(t.pixels, (std::vector<uint8_t>{3, 2, 1, 255, 0, 0, 0, 255, 0, 0, 0, 255, 0, 0, 0, 255}));
    EXPECT_EQ(t.note().kind, ImageNote::Kind::BmpColoursMissing);
    EXPECT_EQ(t.note().value, 2u);
}

TEST(BmpReader, APaletteCountAbove256ReadsOnly256Entries) {
    // Twice the table's size is present; nothing is written past entry 255.
    Texture t;
    ASSERT_TRUE(t.readBmpData(makeBmp({.bitsPerPixel = 8,
                                       .clrUsed = 0xFFFFFFFF,
                                       .extra = paletteOf(256) + paletteOf(256),
                                       .pixelData = std::string{'\xFF', 0, 0, 0}})));
    EXPECT_EQ(t.pixels, (std::vector<uint8_t>{uint8_t(3 * 255), uint8_t(2 * 255), 255, 255}));
    EXPECT_EQ(t.palette[255][0], 255);
}

// Hostile or unsupported headers: each must fail cleanly with no picture.
struct BadBmpCase {
    const char* what;
    std::string bytes;
    ImageStatus status;
};

void PrintTo(const BadBmpCase& c, std::ostream* os) {
    *os << c.what;
}

class BadBmpTest : public ::testing::TestWithParam<BadBmpCase> {};

TEST_P(BadBmpTest, FailsWithNoPicture) {
    Texture t;
    EXPECT_FALSE(t.readBmpData(GetParam().bytes));
    EXPECT_EQ(t.status(), GetParam().status);
    EXPECT_FALSE(t.hasPicture());
}

std::string truncate(std::string s, size_t n) {
    s.resize(n);
    return s;
}

const std::string kOneRow = std::string(4, '\x40');

INSTANTIATE_TEST_SUITE_P(
    Headers, BadBmpTest,
    ::testing::Values(
        BadBmpCase{"empty", "", ImageStatus::NotThisFormat},
        BadBmpCase{"wrong signature", "MB" + std::string(60, '\0'), ImageStatus::NotThisFormat},
        BadBmpCase{"file header only", truncate(makeBmp({.pixelData = kOneRow}), 14), ImageStatus::Truncated},
        BadBmpCase{"info header cut", truncate(makeBmp({.pixelData = kOneRow}), 40), ImageStatus::Truncated},
        BadBmpCase{"core header", makeBmp({.infoSize = 12, .pixelData = kOneRow}), ImageStatus::Unsupported},
        BadBmpCase{"rle8", makeBmp({.bitsPerPixel = 8, .compression = 1, .pixelData = kOneRow}),
                   ImageStatus::Unsupported},
        BadBmpCase{"rle4", makeBmp({.bitsPerPixel = 4, .compression = 2, .pixelData = kOneRow}),
                   ImageStatus::Unsupported},
        BadBmpCase{"1 bit", makeBmp({.bitsPerPixel = 1, .pixelData = kOneRow}), ImageStatus::Unsupported},
        BadBmpCase{"0 bits", makeBmp({.bitsPerPixel = 0, .pixelData = kOneRow}), ImageStatus::Unsupported},
        BadBmpCase{"top-down, 2^31 rows", makeBmp({.height = INT32_MIN, .pixelData = kOneRow}),
                   ImageStatus::TooLarge},
        BadBmpCase{"top-down, too many rows", makeBmp({.height = -(kMaxImageSide + 1), .pixelData = kOneRow}),
                   ImageStatus::TooLarge},
        BadBmpCase{"zero width", makeBmp({.width = 0, .pixelData = kOneRow}), ImageStatus::Damaged},
        BadBmpCase{"negative width", makeBmp({.width = -5, .pixelData = kOneRow}), ImageStatus::Damaged},
        BadBmpCase{"zero height", makeBmp({.height = 0, .pixelData = kOneRow}), ImageStatus::Damaged},
        BadBmpCase{"huge sides", makeBmp({.width = 0x7FFFFFFF, .height = 0x7FFFFFFF, .bitsPerPixel = 32}),
                   ImageStatus::TooLarge},
        BadBmpCase{"side over the limit", makeBmp({.width = kMaxImageSide + 1, .pixelData = kOneRow}),
                   ImageStatus::TooLarge},
        BadBmpCase{"too many pixels", makeBmp({.width = kMaxImageSide, .height = kMaxImageSide}),
                   ImageStatus::TooLarge},
        // width x 32 overflows 32 bits; the stride must not wrap to something small.
        BadBmpCase{"stride overflow",
                   makeBmp({.width = 0x08000001, .bitsPerPixel = 32, .pixelData = kOneRow}),
                   ImageStatus::TooLarge},
        BadBmpCase{"biSizeImage smaller than the rows",
                   makeBmp({.width = 4, .height = 4, .sizeImage = 4, .pixelData = std::string(64, 'x')}),
                   ImageStatus::Damaged},
        BadBmpCase{"biSizeImage beyond the file", makeBmp({.sizeImage = 0x7FFFFFF0, .pixelData = kOneRow}),
                   ImageStatus::Truncated},
        BadBmpCase{"biSizeImage of 4 GiB", makeBmp({.sizeImage = 0xFFFFFFFF, .pixelData = kOneRow}),
                   ImageStatus::Truncated},
        BadBmpCase{"pixel data cut", makeBmp({.width = 4, .height = 4, .pixelData = std::string(47, 'x')}),
                   ImageStatus::Truncated},
        BadBmpCase{"bfOffBits past the end", makeBmp({.offBits = 0xFFFFFFF0, .pixelData = kOneRow}),
                   ImageStatus::Truncated},
        BadBmpCase{"bfOffBits one byte too far", makeBmp({.offBits = 55, .pixelData = kOneRow}),
                   ImageStatus::Truncated},
        BadBmpCase{"masks missing", truncate(makeBmp({.bitsPerPixel = 16, .compression = 3}), 60),
                   ImageStatus::Truncated},
        // Run under the address sanitizer this shows that the table is not read past the file.
        BadBmpCase{"colour table cut by the end of the file",
                   truncate(makeBmp({.bitsPerPixel = 8, .extra = paletteOf(256), .pixelData = kOneRow}), 60),
                   ImageStatus::Truncated}));

TEST(BmpReader, AFailedReadKeepsTheHeaderValues) {
    Texture t;
    EXPECT_FALSE(t.readBmpData(makeBmp({.width = 7, .height = 9, .bitsPerPixel = 1, .pixelData = kOneRow})));
    EXPECT_EQ(t.width, 7);
    EXPECT_EQ(t.height, 9);
    EXPECT_EQ(t.bitsPerPixel, 1);
}

TEST(BmpReader, ALargerInfoHeaderIsReadFromItsFirst40Bytes) {
    // A 108-byte header: masks are the words after the first 40 bytes, pixels at bfOffBits.
    BmpLayout layout{.bitsPerPixel = 16, .compression = 3, .infoSize = 108};
    std::string bytes = makeBmp(layout);
    bytes.replace(54, 12, masks(0xF800, 0x07E0, 0x001F));
    bytes += le16(0xF800) + le16(0);
    Texture t;
    ASSERT_TRUE(t.readBmpData(bytes));
    EXPECT_EQ(t.pixels, (std::vector<uint8_t>{255, 0, 0, 255}));
}

// --- Hand-made TGA files ---------------------------------------------------

TEST(TgaReader, ThirtyTwoBitKeepsTheFileAlphaAndTwentyFourBitIsOpaque) {
    Texture t;
    ASSERT_TRUE(t.readTgaData(makeTga(2, 2, 1, 32, std::string{1, 2, 3, 4, 5, 6, 7, 8})));
    EXPECT_EQ(t.pixels, (std::vector<uint8_t>{3, 2, 1, 4, 7, 6, 5, 8}));
    EXPECT_EQ(t.byteLength, 8);
    ASSERT_TRUE(t.readTgaData(makeTga(2, 2, 1, 24, std::string{1, 2, 3, 4, 5, 6})));
    EXPECT_EQ(t.pixels, (std::vector<uint8_t>{3, 2, 1, 255, 6, 5, 4, 255}));
    EXPECT_EQ(t.bitsPerPixel, 24);
}

TEST(TgaReader, ThePictureStartsAfterTheImageIdField) {
    Texture t;
    ASSERT_TRUE(t.readTgaData(makeTga(2, 1, 1, 24, "abc" + std::string{9, 8, 7}, 0, 3)));
    EXPECT_EQ(t.pixels, (std::vector<uint8_t>{7, 8, 9, 255}));
}

struct BadTgaCase {
    const char* what;
    std::string bytes;
    ImageStatus status;
};

void PrintTo(const BadTgaCase& c, std::ostream* os) {
    *os << c.what;
}

class BadTgaTest : public ::testing::TestWithParam<BadTgaCase> {};

TEST_P(BadTgaTest, FailsWithNoPicture) {
    Texture t;
    EXPECT_FALSE(t.readTgaData(GetParam().bytes));
    EXPECT_EQ(t.status(), GetParam().status);
    EXPECT_FALSE(t.hasPicture());
}

INSTANTIATE_TEST_SUITE_P(
    Headers, BadTgaTest,
    ::testing::Values(
        BadTgaCase{"header cut", std::string(17, '\0'), ImageStatus::Truncated},
        BadTgaCase{"rle", makeTga(10, 1, 1, 24, "abc"), ImageStatus::Unsupported},
        BadTgaCase{"colour-mapped", makeTga(1, 1, 1, 8, "a", 1), ImageStatus::Unsupported},
        BadTgaCase{"true colour with a map", makeTga(2, 1, 1, 24, "abc", 1), ImageStatus::Unsupported},
        BadTgaCase{"grey", makeTga(3, 1, 1, 8, "a"), ImageStatus::Unsupported},
        BadTgaCase{"no image", makeTga(0, 1, 1, 24, "abc"), ImageStatus::NotThisFormat},
        BadTgaCase{"16 bit", makeTga(2, 1, 1, 16, "ab"), ImageStatus::Unsupported},
        BadTgaCase{"zero width", makeTga(2, 0, 1, 24, "abc"), ImageStatus::Damaged},
        BadTgaCase{"huge", makeTga(2, 65535, 65535, 32, "abcd"), ImageStatus::TooLarge},
        BadTgaCase{"pixels cut", makeTga(2, 2, 2, 24, std::string(11, 'x')), ImageStatus::Truncated},
        BadTgaCase{"pixels cut by the image ID", makeTga(2, 1, 1, 24, "abcde", 0, 3), ImageStatus::Truncated},
        BadTgaCase{"image ID beyond the file", makeTga(2, 1, 1, 24, "abc", 0, 255), ImageStatus::Truncated}));

// --- PNG streams damaged by hand -------------------------------------------

// Offset of the first chunk of the given type (its length field), or npos.
size_t findChunk(const std::string& png, const char* type) {
    const size_t at = png.find(type, 8);
    return at == std::string::npos ? at : at - 4;
}

uint32_t be32(const std::string& s, size_t at) {
    return uint32_t(uint8_t(s[at])) << 24 | uint32_t(uint8_t(s[at + 1])) << 16 |
           uint32_t(uint8_t(s[at + 2])) << 8 | uint8_t(s[at + 3]);
}

struct BadPngCase {
    const char* what;
    std::string bytes;
    ImageStatus status;
};

void PrintTo(const BadPngCase& c, std::ostream* os) {
    *os << c.what;
}

BadPngCase damaged(const char* what, ImageStatus status, void (*change)(std::string&)) {
    std::string bytes = readFixture("png_rgb_im.png");
    change(bytes);
    return {what, bytes, status};
}

class BadPngTest : public ::testing::TestWithParam<BadPngCase> {};

TEST_P(BadPngTest, FailsQuietlyWithNoPicture) {
    Texture t;
    testing::internal::CaptureStderr();
    EXPECT_FALSE(t.readPngData(GetParam().bytes));
    EXPECT_EQ(testing::internal::GetCapturedStderr(), "");  // libpng's messages are not printed
    EXPECT_EQ(t.status(), GetParam().status);
    EXPECT_FALSE(t.hasPicture());
}

INSTANTIATE_TEST_SUITE_P(
    Streams, BadPngTest,
    ::testing::Values(
        BadPngCase{"not a png", "GIF89a and more bytes", ImageStatus::NotThisFormat},
        BadPngCase{"signature cut", "\x89PNG", ImageStatus::Truncated},
        damaged("cut inside the header", ImageStatus::Truncated, [](std::string& b) { b.resize(20); }),
        damaged("cut inside the image data", ImageStatus::Truncated,
                [](std::string& b) { b.resize(findChunk(b, "IDAT") + 20); }),
        damaged("IDAT checksum wrong", ImageStatus::Damaged,
                [](std::string& b) {
                    const size_t idat = findChunk(b, "IDAT");
                    b[idat + 8 + be32(b, idat) + 1] ^= 0x55;
                }),
        damaged("IHDR checksum wrong", ImageStatus::Damaged, [](std::string& b) { b[29] ^= 0x01; }),
        damaged("compressed data scrambled", ImageStatus::Damaged, [](std::string& b) {
            // Flip bits inside the zlib stream and fix the chunk's CRC so that
            // only the decompressor notices.
            const size_t idat = findChunk(b, "IDAT");
            const uint32_t length = be32(b, idat);
            for (size_t i = idat + 10; i < idat + 8 + length; i += 3) b[i] = char(~b[i]);
            uint32_t crc = 0xFFFFFFFF;
            for (size_t i = idat + 4; i < idat + 8 + length; ++i) {
                crc ^= uint8_t(b[i]);
                for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
            }
            crc ^= 0xFFFFFFFF;
            for (int k = 0; k < 4; ++k) b[idat + 8 + length + k] = char(crc >> (24 - 8 * k));
        })));

TEST(PngReader, RefusesHugeDimensionsBeforeAllocating) {
    // IHDR 20000 x 20000 with a valid CRC: refused after the header, nothing decoded.
    std::string b = readFixture("png_rgb_im.png");
    ASSERT_FALSE(b.empty());
    const std::string size("\x00\x00\x4E\x20\x00\x00\x4E\x20", 8);
    b.replace(16, 8, size);
    uint32_t crc = 0xFFFFFFFF;
    for (size_t i = 12; i < 29; ++i) {
        crc ^= uint8_t(b[i]);
        for (int k = 0; k < 8; ++k) crc = crc & 1 ? (crc >> 1) ^ 0xEDB88320 : crc >> 1;
    }
    crc ^= 0xFFFFFFFF;
    for (int k = 0; k < 4; ++k) b[29 + k] = char(crc >> (24 - 8 * k));
    Texture t;
    EXPECT_FALSE(t.readPngData(b));
    EXPECT_EQ(t.status(), ImageStatus::TooLarge);
    EXPECT_EQ(t.width, 20000);
}

TEST(ImageReaders, DamagedCopiesOfEveryFixtureFailOrGiveAWholePicture) {
    // Flipped bytes and cut files, reproducible from a fixed seed. Run under the
    // address sanitizer this also shows that nothing is read outside the file.
    std::mt19937 random(20240607);
    int pictures = 0, failures = 0;
    for (const auto& entry : std::filesystem::directory_iterator(fixture(""))) {
        const std::string name = entry.path().filename().string();
        const std::string ext = name.substr(name.size() - 3);
        if (ext != "bmp" && ext != "tga" && ext != "png") continue;
        const std::string original = readFixture(name.c_str());
        ASSERT_FALSE(original.empty()) << name;
        for (int round = 0; round < 150; ++round) {
            std::string bytes = original;
            const int flips = 1 + int(random() % 4);
            for (int i = 0; i < flips; ++i) bytes[random() % bytes.size()] = char(random());
            if (round % 3 == 0) bytes.resize(random() % bytes.size());
            Texture t;
            const bool ok = ext == "bmp"   ? t.readBmpData(bytes)
                            : ext == "tga" ? t.readTgaData(bytes)
                                           : t.readPngData(bytes);
            if (ok) {
                ++pictures;
                ASSERT_EQ(t.pixels.size(), size_t(t.width) * size_t(t.height) * 4)
                    << name << " round " << round;
            } else {
                ++failures;
                ASSERT_FALSE(t.hasPicture()) << name << " round " << round;
            }
        }
    }
    EXPECT_GT(pictures, 0);
    EXPECT_GT(failures, 0);
}

// --- Pixel operations and sampling parameters ------------------------------

TEST(TextureParameters, WrapAcceptsOnlyItsThreeModesPerAxis) {
    Texture t;
    t.setWrap(gl::kRepeat, 0x1234);
    EXPECT_EQ(t.wrapS, gl::kRepeat);
    EXPECT_EQ(t.wrapT, gl::kClamp);
    t.setWrap(gl::kLinear, gl::kClampToEdge);
    EXPECT_EQ(t.wrapS, gl::kRepeat);
    EXPECT_EQ(t.wrapT, gl::kClampToEdge);
}

TEST(TextureParameters, FiltersKeepTheirKnownValuesAndOtherwiseBecomeLinear) {
    struct Case {
        int32_t min, mag, wantMin, wantMag;
    };
    const Case cases[] = {
        {gl::kLinearMipmapLinear, gl::kNearest, gl::kLinearMipmapLinear, gl::kNearest},
        {0, 0, gl::kLinear, gl::kLinear},
        {gl::kNearest, gl::kLinearMipmapLinear, gl::kNearest, gl::kLinear},
        {gl::kNearestMipmapNearest, gl::kLinear, gl::kNearestMipmapNearest, gl::kLinear},
        {gl::kLinearMipmapNearest, gl::kNearest, gl::kLinearMipmapNearest, gl::kNearest},
        {gl::kNearestMipmapLinear, gl::kNearest, gl::kNearestMipmapLinear, gl::kNearest},
        {gl::kRepeat, gl::kClamp, gl::kLinear, gl::kLinear},
    };
    for (const Case& c : cases) {
        Texture t;
        t.setFilter(c.min, c.mag);
        EXPECT_EQ(t.minFilter, c.wantMin) << std::hex << c.min;
        EXPECT_EQ(t.magFilter, c.wantMag) << std::hex << c.mag;
    }
}

}  // namespace
}  // namespace qm
