// The capture tool's command line: lengths and ranges in frames, defaults, key lists and usage errors.
#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "capture/capture_options.h"

namespace qm::capture {
namespace {

ParseResult parse(std::vector<const char*> args, CaptureOptions& options, std::string& error) {
    args.insert(args.begin(), "quillmoor-capture");
    return parseCaptureOptions(static_cast<int>(args.size()), args.data(), options, error);
}

// A test name from the arguments ("fps_10_to_0_01"), numbered so that every name is unique.
std::string nameOf(const std::vector<const char*>& args, size_t index) {
    std::string name;
    for (const char* arg : args) {
        if (!name.empty() && name.back() != '_') name += '_';
        for (const char* c = arg; *c; ++c) {
            const bool plain = std::isalnum(static_cast<unsigned char>(*c));
            if (plain)
                name += *c;
            else if (!name.empty() && name.back() != '_')
                name += '_';
        }
    }
    return (name.empty() ? std::string("none") : name) + "_" + std::to_string(index);
}

// A command line as CTest shows it beside the test's name.
void printArgs(const std::vector<const char*>& args, std::ostream* os) {
    *os << "[";
    for (size_t i = 0; i < args.size(); ++i) *os << (i ? " " : "") << args[i];
    *os << "]";
}

struct RangeCase {
    std::vector<const char*> args;
    long endFrame;
    long firstFrame;
    bool lengthGiven;
};
void PrintTo(const RangeCase& c, std::ostream* os) {
    printArgs(c.args, os);
}

class CaptureRange : public ::testing::TestWithParam<RangeCase> {};

TEST_P(CaptureRange, BecomesFrameNumbers) {
    CaptureOptions o;
    std::string error;
    ASSERT_EQ(parse(GetParam().args, o, error), ParseResult::Run) << error;
    EXPECT_EQ(o.endFrame, GetParam().endFrame);
    EXPECT_EQ(o.firstFrame, GetParam().firstFrame);
    EXPECT_EQ(o.lengthGiven, GetParam().lengthGiven);
}

INSTANTIATE_TEST_SUITE_P(
    Options, CaptureRange,
    ::testing::Values(
        // Without a length: until the demo ends, at most an hour.
        RangeCase{{}, 3600 * 60, 0, false}, RangeCase{{"--fps", "25"}, 3600 * 25, 0, false},
        RangeCase{{"--seconds", "1.5"}, 90, 0, true}, RangeCase{{"--frames", "7"}, 7, 0, true},
        // The rate applies wherever it stands on the line.
        RangeCase{{"--seconds", "0.5", "--fps", "24"}, 12, 0, true},
        RangeCase{{"--fps=24", "--seconds=0.5"}, 12, 0, true},
        // A time between two frames takes the frames before it; n / fps lands on n.
        RangeCase{{"--seconds", "0.01"}, 1, 0, true}, RangeCase{{"--fps", "10", "--to", "0.01"}, 1, 0, true},
        RangeCase{{"--fps", "29.97", "--seconds", "1"}, 30, 0, true},
        RangeCase{{"--fps", "10", "--from", "0.1", "--to", "0.3"}, 3, 1, true},
        RangeCase{{"--fps", "10", "--from", "0.15", "--to", "0.31"}, 4, 2, true},
        // --to ends the capture, and the shorter of two lengths wins.
        RangeCase{{"--seconds", "10", "--to", "5"}, 300, 0, true},
        RangeCase{{"--frames", "100", "--to", "5"}, 100, 0, true},
        RangeCase{{"--from", "2"}, 3600 * 60, 120, false}),
    [](const auto& info) { return nameOf(info.param.args, info.index); });

TEST(CaptureOptions, WantedFramesStartAtFromAndStepByEvery) {
    CaptureOptions o;
    std::string error;
    ASSERT_EQ(parse({"--fps", "10", "--from", "0.5", "--every", "3", "--to", "2"}, o, error),
              ParseResult::Run);
    std::vector<long> wanted;
    for (long n = 0; n < o.endFrame; ++n)
        if (o.wanted(n)) wanted.push_back(n);
    EXPECT_EQ(wanted, (std::vector<long>{5, 8, 11, 14, 17}));
}

TEST(CaptureOptions, OutputsDefaultToTheCaptureFolderUnlessAVideoOrADryRunIsAsked) {
    struct Case {
        std::vector<const char*> args;
        std::string outDir;
        std::string video;
    };
    for (const Case& c :
         {Case{{}, "capture", ""}, Case{{"--out", "x"}, "x", ""}, Case{{"--video", "v.mp4"}, "", "v.mp4"},
          Case{{"--out", "x", "--video", "v.mp4"}, "x", "v.mp4"}, Case{{"--dry-run"}, "", ""}}) {
        CaptureOptions o;
        std::string error;
        ASSERT_EQ(parse(c.args, o, error), ParseResult::Run) << error;
        EXPECT_EQ(o.outDir, c.outDir);
        EXPECT_EQ(o.videoFile, c.video);
    }
}

struct BadLine {
    std::vector<const char*> args;
    const char* mentions;  // a word the message must contain
};
void PrintTo(const BadLine& c, std::ostream* os) {
    printArgs(c.args, os);
}

class CaptureUsageError : public ::testing::TestWithParam<BadLine> {};

TEST_P(CaptureUsageError, IsRefusedWithAMessage) {
    CaptureOptions o;
    std::string error;
    EXPECT_EQ(parse(GetParam().args, o, error), ParseResult::UsageError);
    EXPECT_NE(error.find(GetParam().mentions), std::string::npos) << error;
    EXPECT_EQ(error.find('\n'), std::string::npos) << error;
}

INSTANTIATE_TEST_SUITE_P(
    Options, CaptureUsageError,
    ::testing::Values(
        BadLine{{"--fps", "0"}, "--fps"}, BadLine{{"--fps", "-5"}, "--fps"},
        BadLine{{"--fps", "60fps"}, "60fps"}, BadLine{{"--fps", "nan"}, "--fps"},
        BadLine{{"--fps", "5000"}, "--fps"}, BadLine{{"--frames", "0"}, "--frames"},
        BadLine{{"--frames", "2.5"}, "--frames"}, BadLine{{"--frames", "99999999999999999999"}, "--frames"},
        BadLine{{"--frames", "999999999"}, "--frames"}, BadLine{{"--seconds", "0"}, "--seconds"},
        BadLine{{"--seconds", "1", "--frames", "5"}, "--frames"},
        BadLine{{"--from", "3", "--to", "2"}, "--to"}, BadLine{{"--from", "2", "--to", "2"}, "--to"},
        BadLine{{"--from", "5", "--seconds", "5"}, "--from"}, BadLine{{"--to", "0"}, "frame"},
        BadLine{{"--every", "0"}, "--every"}, BadLine{{"--every"}, "needs a value"},
        BadLine{{"--out", ""}, "--out"}, BadLine{{"--out=x", "--dry-run"}, "--dry-run"},
        BadLine{{"--keys", "1:Space"}, "Space"}, BadLine{{"--bogus"}, "--bogus"},
        BadLine{{"--fps", "30", "frames"}, "frames"}, BadLine{{"-x"}, "-x"},
        BadLine{{"--size", "1920"}, "--size"}, BadLine{{"--size", "15x600"}, "--size"},
        BadLine{{"--size", "4097x600"}, "--size"},
        BadLine{{"--size", "2049x1000", "--supersample", "2"}, "4096"},
        BadLine{{"--supersample", "0"}, "--supersample"}, BadLine{{"--supersample", "9"}, "--supersample"},
        BadLine{{"--size", "801x600", "--video", "v.mp4"}, "even"}, BadLine{{"--jobs", "0"}, "--jobs"},
        BadLine{{"--threads", "-1"}, "--threads"},
        BadLine{{"--sound-only", "--video", "v.mp4"}, "--sound-only"},
        BadLine{{"--sound-only", "--jobs", "2"}, "--sound-only"}),
    [](const auto& info) { return nameOf(info.param.args, info.index); });

TEST(CaptureOptions, ThePictureIsTheLargest4By3CentredInTheFrame) {
    struct Case {
        int width, height;
        PictureRect picture;
    };
    for (const Case& c : {Case{800, 600, {0, 0, 800, 600}}, Case{1600, 1200, {0, 0, 1600, 1200}},
                          Case{1920, 1080, {240, 0, 1440, 1080}},  // bars of 240 beside it
                          Case{640, 640, {0, 80, 640, 480}},       // bars of 80 above and below
                          Case{1001, 750, {0, 0, 1000, 750}},      // one column left over, at the right
                          Case{100, 100, {0, 12, 100, 75}}}) {     // 25 rows over: 12 below, 13 above
        const PictureRect r = pictureRectFor(c.width, c.height);
        EXPECT_EQ(std::vector<int>({r.x, r.y, r.width, r.height}),
                  std::vector<int>({c.picture.x, c.picture.y, c.picture.width, c.picture.height}))
            << c.width << "x" << c.height;
    }
}

TEST(KeyList, ReadsTimesAndKeyNamesInOrder) {
    std::vector<KeyPress> keys;
    std::string error;
    ASSERT_TRUE(parseKeyList("1.5:Return,3:Escape,2:9,0:F2", keys, error)) << error;
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_DOUBLE_EQ(keys[0].seconds, 1.5);
    EXPECT_EQ(keys[0].key, DemoKey::Return);
    EXPECT_EQ(keys[1].key, DemoKey::Escape);
    EXPECT_EQ(keys[2].key, DemoKey::Digit9);
    EXPECT_DOUBLE_EQ(keys[3].seconds, 0);
    EXPECT_EQ(keys[3].key, DemoKey::F2);
}

TEST(KeyList, RefusesMalformedItems) {
    for (const char* text :
         {"", "1.5", ":Return", "1:", "1:Space", "-1:Return", "1:Return,", "1:return", "x:1"}) {
        std::vector<KeyPress> keys;
        std::string error;
        EXPECT_FALSE(parseKeyList(text, keys, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
}

}  // namespace
}  // namespace qm::capture
