// The capture tool's outputs: PNG frames read back by the player's own PNG reader, the encoding pipeline, the
// WAV file, the progress text.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/paths.h"
#include "capture/capture_jobs.h"
#include "capture/frame_pipeline.h"
#include "capture/png_frames.h"
#include "capture/progress.h"
#include "capture/video_encoder.h"
#include "capture/wav_file.h"
#include "resources/texture.h"
#include "support/temp_dir.h"

namespace qm::capture {
namespace {

// RGBA pixels as OpenGL reads them back: the bottom row first.
std::vector<uint8_t> randomPicture(int width, int height, unsigned seed) {
    std::mt19937 random(seed);
    std::vector<uint8_t> rgba(static_cast<size_t>(width) * height * 4);
    for (uint8_t& byte : rgba) byte = static_cast<uint8_t>(random());
    return rgba;
}

// The same pixels with red and blue swapped, as a BGRA read-back has them.
std::vector<uint8_t> swapRedAndBlue(std::vector<uint8_t> pixels) {
    for (size_t i = 0; i < pixels.size(); i += 4) std::swap(pixels[i], pixels[i + 2]);
    return pixels;
}

TEST(PngEncoder, TheReaderGetsThePictureBackTopRowFirstAndOpaque) {
    // Sizes around the row filter's three-byte step and a frame's own size.
    for (auto [width, height] : {std::pair{1, 1}, {2, 3}, {37, 23}, {800, 600}}) {
        const std::vector<uint8_t> glRows = randomPicture(width, height, width * 7 + height);
        std::vector<uint8_t> file;
        PngEncoder encoder;
        ASSERT_TRUE(encoder.encode(glRows.data(), width, height, file));
        std::vector<uint8_t> fromBgra;
        ASSERT_TRUE(encoder.encode(swapRedAndBlue(glRows).data(), width, height, fromBgra, PixelOrder::Bgra));
        EXPECT_TRUE(fromBgra == file) << "the same file from BGRA, " << width << "x" << height;

        Texture picture;
        ASSERT_TRUE(
            picture.readPngData(std::string_view(reinterpret_cast<const char*>(file.data()), file.size())))
            << imageStatusText(picture.status());
        ASSERT_EQ(picture.width, width);
        ASSERT_EQ(picture.height, height);
        size_t mismatches = 0;
        for (int y = 0; y < height; ++y)
            for (int x = 0; x < width; ++x) {
                const uint8_t* read = &picture.pixels[(static_cast<size_t>(y) * width + x) * 4];
                const uint8_t* drawn = &glRows[(static_cast<size_t>(height - 1 - y) * width + x) * 4];
                mismatches +=
                    read[0] != drawn[0] || read[1] != drawn[1] || read[2] != drawn[2] || read[3] != 255;
            }
        EXPECT_EQ(mismatches, 0u) << width << "x" << height;
    }
}

TEST(PngEncoder, RefusesSizesOutsideItsLimits) {
    const std::vector<uint8_t> pixel(4);
    std::vector<uint8_t> file;
    PngEncoder encoder;
    EXPECT_FALSE(encoder.encode(pixel.data(), 0, 1, file));
    EXPECT_FALSE(encoder.encode(pixel.data(), 1, -1, file));
    EXPECT_FALSE(encoder.encode(pixel.data(), PngEncoder::kMaxSide + 1, 1, file));
}

TEST(FramePipeline, WorkersWriteTheFilesOfTheRenderingThreadAndReportAFolderTheyCannotWriteTo) {
    // Frames that differ in every pixel, submitted out of order, half-size after
    // supersampling 2: with two workers and with none, the same files.
    const FrameFormat format{5, 3, 2, PixelOrder::Bgra};
    std::vector<std::string> files[2];
    for (int threads : {2, 0}) {
        test::TempDir dir;
        {
            FramePipeline pipeline(format, dir.path().string(), nullptr, threads);
            for (long frame : {3, 1, 2, 0, 9, 5}) {
                std::vector<uint8_t> pixels = pipeline.takeBuffer();
                ASSERT_EQ(pixels.size(), format.surfaceBytes());
                pixels = randomPicture(10, 6, static_cast<unsigned>(frame));
                pipeline.submit(frame, std::move(pixels));
            }
            std::string error;
            ASSERT_TRUE(pipeline.finish(error)) << error;
        }
        for (long frame : {0, 1, 2, 3, 5, 9}) {
            std::string bytes;
            ASSERT_TRUE(readWholeFile((dir.path() / frameFileName(frame)).string(), bytes)) << frame;
            files[threads == 0].push_back(bytes);
        }
    }
    EXPECT_TRUE(files[0] == files[1]);

    test::TempDir dir;
    FramePipeline pipeline(format, (dir.path() / "missing").string(), nullptr, 1);
    pipeline.submit(0, pipeline.takeBuffer());
    std::string error;
    EXPECT_FALSE(pipeline.finish(error));
    EXPECT_NE(error.find("frame_00000.png"), std::string::npos) << error;
}

TEST(FramePipeline, FramesReachTheVideoInTheOrderSubmitted) {
    // A stand-in for ffmpeg keeps the raw frames in its output file (named "file:PATH").
    // Noisy frames take the PNG encoder far longer than flat ones, so the frames after
    // them are ready first.
    test::TempDir dir;
    dir.write("ffmpeg", "#!/bin/sh\nfor last; do :; done\ncat > \"${last#file:}\"\n");
    std::filesystem::permissions(dir.path() / "ffmpeg", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    const int width = 400, height = 300;
    VideoEncoder video;
    std::string error;
    ASSERT_TRUE(video.start((dir.path() / "ffmpeg").string(), (dir.path() / "frames.rgb").string(), "60",
                            width, height, false, error))
        << error;
    std::string expected;
    {
        FramePipeline pipeline({width, height, 1, PixelOrder::Rgba}, dir.path().string(), &video, 2);
        for (long frame = 0; frame < 24; ++frame) {
            std::vector<uint8_t> pixels = frame % 2 == 0
                                              ? randomPicture(width, height, static_cast<unsigned>(frame))
                                              : std::vector<uint8_t>(width * height * 4, frame);
            std::vector<uint8_t> rgb(static_cast<size_t>(width) * height * 3);
            rgbTopRowFirst(pixels.data(), width, height, PixelOrder::Rgba, rgb.data());
            expected.append(rgb.begin(), rgb.end());
            std::vector<uint8_t> buffer = pipeline.takeBuffer();
            buffer = std::move(pixels);
            pipeline.submit(frame, std::move(buffer));
        }
        ASSERT_TRUE(pipeline.finish(error)) << error;
    }
    ASSERT_TRUE(video.finish(error)) << error;
    std::string written;
    ASSERT_TRUE(readWholeFile((dir.path() / "frames.rgb").string(), written));
    EXPECT_TRUE(written == expected) << written.size() << " bytes";
}

TEST(FramePipeline, BoxFilterRoundsTheMeanOfEachBox) {
    // Two output pixels from 3x3 boxes (area 9: a sum of 9k + 4 rounds down, 9k + 5 up).
    std::vector<uint8_t> in(6 * 3 * 4, 0);
    auto at = [&](int x, int y) { return &in[(static_cast<size_t>(y) * 6 + x) * 4]; };
    at(0, 0)[0] = 5;                       // left box, byte 0: 5 / 9 -> 1
    at(2, 2)[1] = 4;                       // left box, byte 1: 4 / 9 -> 0
    at(1, 1)[2] = 255, at(2, 1)[2] = 255;  // left box, byte 2: 510 / 9 = 56.7 -> 57
    for (int y = 0; y < 3; ++y)
        for (int x = 3; x < 6; ++x) at(x, y)[0] = static_cast<uint8_t>(200 + x + y);  // right: mean 205
    uint8_t out[8];  // the fourth bytes come out opaque although every one in `in` is 0
    boxFilter(in.data(), 2, 1, 3, out);
    EXPECT_EQ(std::vector<int>(out, out + 8), (std::vector<int>{1, 0, 57, 255, 205, 0, 0, 255}));
}

uint32_t le32At(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = v << 8 | static_cast<uint8_t>(bytes[at + i]);
    return v;
}

TEST(WavWriter, HeaderAndSamplesForTheFramesAppended) {
    test::TempDir dir;
    const std::string path = (dir.path() / "audio.wav").string();
    WavWriter wav;
    std::string error;
    ASSERT_TRUE(wav.open(path, error)) << error;
    std::vector<int16_t> samples;
    for (int i = 0; i < 2 * 1000; ++i) samples.push_back(static_cast<int16_t>(i * 37 - 30000));
    ASSERT_TRUE(wav.append(samples.data(), 300));
    ASSERT_TRUE(wav.append(samples.data() + 600, 0));
    ASSERT_TRUE(wav.append(samples.data() + 600, 700));
    EXPECT_EQ(wav.framesWritten(), 1000u);
    ASSERT_TRUE(wav.finish(error)) << error;

    std::string bytes;
    ASSERT_TRUE(readWholeFile(path, bytes));
    ASSERT_EQ(bytes.size(), 44u + 4000);
    EXPECT_EQ(bytes.substr(0, 4), "RIFF");
    EXPECT_EQ(le32At(bytes, 4), 36u + 4000);
    EXPECT_EQ(bytes.substr(8, 8), "WAVEfmt ");
    EXPECT_EQ(le32At(bytes, 16), 16u);
    EXPECT_EQ(le32At(bytes, 20), 1u | 2u << 16);  // PCM, two channels
    EXPECT_EQ(le32At(bytes, 24), 44100u);
    EXPECT_EQ(le32At(bytes, 28), 44100u * 4);
    EXPECT_EQ(le32At(bytes, 32), 4u | 16u << 16);  // four bytes a frame, 16 bits
    EXPECT_EQ(bytes.substr(36, 4), "data");
    EXPECT_EQ(le32At(bytes, 40), 4000u);
    EXPECT_EQ(static_cast<int16_t>(le32At(bytes, 44) & 0xFFFF), -30000);
    EXPECT_EQ(static_cast<int16_t>(le32At(bytes, 44 + 3996) >> 16), samples.back());
}

TEST(WavWriter, AFileThatCannotBeMadeIsAnError) {
    test::TempDir dir;
    WavWriter wav;
    std::string error;
    EXPECT_FALSE(wav.open((dir.path() / "no" / "audio.wav").string(), error));
    EXPECT_NE(error.find("audio.wav"), std::string::npos);
    EXPECT_FALSE(wav.append(nullptr, 0));
}

TEST(Progress, ClockText) {
    EXPECT_EQ(clockText(0), "0:00");
    EXPECT_EQ(clockText(59.4), "0:59");
    EXPECT_EQ(clockText(61), "1:01");
    EXPECT_EQ(clockText(3725), "1:02:05");
    EXPECT_EQ(clockText(-3), "0:00");
}

TEST(Progress, LineShowsTheBarAndEtaOnlyWhenTheEndIsKnown) {
    ProgressFigures f;
    f.frames = 30;
    f.totalFrames = 60;
    f.fps = 60;
    f.wallSeconds = 3;  // 10 frames a second: 30 more take 3 s
    EXPECT_EQ(progressLine(f), "frame 30/60 [############............]  50%  0.50 s  10.0 fps  ETA 0:03");
    f.totalFrames = 0;
    EXPECT_EQ(progressLine(f), "frame 30  0.50 s  10.0 fps");
    f.wallSeconds = 0;
    EXPECT_EQ(progressLine(f), "frame 30  0.50 s  -- fps");
}

TEST(Progress, SummarySaysHowFastAgainstRealTime) {
    ProgressFigures f;
    f.frames = 600;
    f.fps = 60;
    f.wallSeconds = 5;
    EXPECT_EQ(summaryLine(f), "600 frames (10.00 s of demo) in 5.00 s: 120.0 fps, 2.00x real time");
}

struct SplitCase {
    long first, end, every;
    int jobs;
    std::vector<std::pair<long, long>> ranges;
};

TEST(CaptureJobs, RangesSplitTheFramesWrittenEvenlyAndEachBeginsAndEndsWithOne) {
    // Worked out by hand: the frames written are first, first + every, ... below end.
    for (const SplitCase& c : {
             SplitCase{0, 10, 1, 2, {{0, 5}, {5, 10}}},
             SplitCase{0, 10, 1, 3, {{0, 3}, {3, 6}, {6, 10}}},
             // frames 5, 8, 11, 14, 17: two, then three
             SplitCase{5, 20, 3, 2, {{5, 9}, {11, 18}}},
             // frames 5, 8, ..., 20 (the end falls right after one)
             SplitCase{5, 21, 3, 2, {{5, 12}, {14, 21}}},
             // more jobs than frames: one range per frame
             SplitCase{3, 5, 1, 4, {{3, 4}, {4, 5}}},
             SplitCase{0, 7, 10, 3, {{0, 1}}},
             SplitCase{4, 4, 1, 2, {}},
         }) {
        std::vector<std::pair<long, long>> ranges;
        for (const FrameRange& r : splitFrames(c.first, c.end, c.every, c.jobs))
            ranges.emplace_back(r.first, r.end);
        EXPECT_EQ(ranges, c.ranges) << c.first << " " << c.end << " " << c.every << " " << c.jobs;
    }
}

TEST(VideoEncoder, FindOnPathFindsOnlyExecutables) {
    test::TempDir dir;
    dir.write("tool", "#!/bin/sh\n");
    dir.write("plain", "");
    std::filesystem::permissions(dir.path() / "tool", std::filesystem::perms::owner_exec,
                                 std::filesystem::perm_options::add);
    const char* saved = std::getenv("PATH");
    const std::string previous = saved ? saved : "";
    ::setenv("PATH", ("/nonexistent:" + dir.path().string()).c_str(), 1);
    EXPECT_EQ(findOnPath("tool"), (dir.path() / "tool").string());
    EXPECT_EQ(findOnPath("plain"), "");
    EXPECT_EQ(findOnPath("absent"), "");
    ::setenv("PATH", previous.c_str(), 1);
}

}  // namespace
}  // namespace qm::capture
