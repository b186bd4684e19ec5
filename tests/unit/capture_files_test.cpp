// The capture tool's outputs: PNG frames read back by the player's own PNG reader, the WAV file, the progress
// text.
#include <gtest/gtest.h>

#include <filesystem>
#include <random>
#include <string>
#include <vector>

#include "base/paths.h"
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

TEST(PngEncoder, TheReaderGetsThePictureBackTopRowFirstAndOpaque) {
    // Sizes around the row filter's three-byte step and a frame's own size.
    for (auto [width, height] : {std::pair{1, 1}, {2, 3}, {37, 23}, {800, 600}}) {
        const std::vector<uint8_t> glRows = randomPicture(width, height, width * 7 + height);
        std::vector<uint8_t> file;
        PngEncoder encoder;
        ASSERT_TRUE(encoder.encode(glRows.data(), width, height, file));

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

TEST(PngFrameWriter, WritesEveryFrameSubmittedAndReportsAFolderItCannotWriteTo) {
    test::TempDir dir;
    {
        PngFrameWriter writer(dir.path().string(), 4, 2, 2);
        for (long frame : {3, 1, 2, 0, 9, 5}) {
            std::vector<uint8_t> pixels = writer.takeBuffer();
            ASSERT_EQ(pixels.size(), 4u * 2 * 4);
            pixels[0] = static_cast<uint8_t>(frame);
            writer.submit(frame, std::move(pixels));
        }
        std::string error;
        ASSERT_TRUE(writer.finish(error)) << error;
    }
    for (long frame : {0, 1, 2, 3, 5, 9}) {
        Texture picture;
        ASSERT_TRUE(picture.readPng((dir.path() / frameFileName(frame)).string()));
        EXPECT_EQ(picture.pixels[4 * 4], frame);  // the first pixel read back is the bottom row's
    }

    PngFrameWriter writer((dir.path() / "missing").string(), 4, 2, 1);
    writer.submit(0, writer.takeBuffer());
    std::string error;
    EXPECT_FALSE(writer.finish(error));
    EXPECT_NE(error.find("frame_00000.png"), std::string::npos) << error;
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
