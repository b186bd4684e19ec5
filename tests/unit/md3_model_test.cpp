// MD3 models: files from the writer read back exactly, damaged files refused, frame stepping, normals, the
// demo model.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "base/paths.h"
#include "make_model/demo_model.h"
#include "md3write/md3_writer.h"
#include "resources/md3_model.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using md3write::fixedName;

DiskFiles disk;  // models are read from disk

// A model whose every field differs from its neighbours, so that a field read
// from the wrong place shows: 3 frames, 2 tags per frame, 3 surfaces with their
// own vertex, triangle and shader counts.
md3write::Model sampleModel() {
    md3write::Model m;
    m.name = "sample";
    m.flags = 0x1234;
    m.skinCount = 7;
    m.tagsPerFrame = 2;
    for (int f = 0; f < 3; ++f) {
        Md3Frame frame;
        frame.boundsMin = {-1.0f - f, -2.0f, -3.0f};
        frame.boundsMax = {1.0f + f, 2.5f, 3.25f};
        frame.localOrigin = {0.5f * f, 0, -0.5f};
        frame.radius = 4.0f + f;
        frame.name = fixedName<16>("frame " + std::to_string(f));
        m.frames.push_back(frame);
        for (int t = 0; t < 2; ++t) {
            Md3Tag tag;
            tag.name = fixedName<64>(t == 0 ? "tag_head" : "tag_weapon");
            tag.origin = {float(f), float(t), 9.5f};
            tag.axis = {Vec3{1, 0, 0}, Vec3{0, float(f), 1}, Vec3{0.25f, 0, float(t)}};
            m.tags.push_back(tag);
        }
    }
    for (int s = 0; s < 3; ++s) {
        md3write::Surface surface;
        surface.name = "surface " + std::to_string(s);
        surface.flags = 100 + s;
        surface.frameCount = 3;
        for (int k = 0; k <= s; ++k)
            surface.shaders.push_back({fixedName<64>("shader " + std::to_string(k)), k * 3});
        const int vertexCount = 4 + s;
        for (int v = 0; v < vertexCount; ++v)
            surface.texCoords.push_back({0.125f * v, 1.0f - 0.0625f * v - s});
        for (int t = 0; t < vertexCount - 2; ++t) surface.triangles.push_back({{0, t + 1, t + 2}});
        for (int f = 0; f < 3; ++f)
            for (int v = 0; v < vertexCount; ++v)
                surface.vertices.push_back(
                    Md3Vertex{{int16_t(64 * v - 100 * s), int16_t(-7 * f), int16_t(30000 - v)},
                              {uint8_t(10 * f + v), uint8_t(255 - s)}});
        m.surfaces.push_back(surface);
    }
    return m;
}

void putInt32(std::string& bytes, size_t at, int32_t value) {
    for (int i = 0; i < 4; ++i)
        bytes[at + i] = static_cast<char>((static_cast<uint32_t>(value) >> (8 * i)) & 0xff);
}

int32_t getInt32(const std::string& bytes, size_t at) {
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t(static_cast<unsigned char>(bytes[at + i])) << (8 * i);
    return static_cast<int32_t>(v);
}

void expectEmpty(const Md3Model& model) {
    EXPECT_TRUE(model.surfaces.empty());
    EXPECT_TRUE(model.frameRecords.empty());
    EXPECT_TRUE(model.tagRecords.empty());
    EXPECT_EQ(model.lastFrame, -1);
    EXPECT_FALSE(model.problem().empty());
}

void expectMatches(const Md3Model& model, const md3write::Model& written) {
    EXPECT_EQ(model.header.name, fixedName<64>(written.name));
    EXPECT_EQ(model.header.flags, written.flags);
    EXPECT_EQ(model.header.skinCount, written.skinCount);
    EXPECT_EQ(model.header.frameCount, static_cast<int32_t>(written.frames.size()));
    EXPECT_EQ(model.lastFrame, static_cast<int32_t>(written.frames.size()) - 1);
    EXPECT_EQ(model.frameRecords, written.frames);
    EXPECT_EQ(model.tagRecords, written.tags);
    ASSERT_EQ(model.surfaces.size(), written.surfaces.size());
    for (size_t s = 0; s < written.surfaces.size(); ++s) {
        const Md3Surface& got = model.surfaces[s];
        const md3write::Surface& want = written.surfaces[s];
        EXPECT_EQ(got.header.name, fixedName<64>(want.name)) << s;
        EXPECT_EQ(got.header.flags, want.flags) << s;
        EXPECT_EQ(got.header.frameCount, want.frameCount) << s;
        EXPECT_EQ(got.shaders, want.shaders) << s;
        EXPECT_EQ(got.triangles, want.triangles) << s;
        EXPECT_EQ(got.texCoords, want.texCoords) << s;
        EXPECT_EQ(got.vertices, want.vertices) << s;
    }
}

struct LayoutCase {
    const char* label;
    md3write::Layout layout;
};
void PrintTo(const LayoutCase& c, std::ostream* os) {
    *os << c.label;
}

class Md3RoundTrip : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(Md3RoundTrip, FilesFromTheWriterReadBackExactly) {
    const md3write::Model written = sampleModel();
    test::TempDir dir;
    const std::string path =
        dir.write("Models/Sample.MD3", md3write::encode(written, GetParam().layout).bytes);

    Md3Model model;
    test::ScopedWorkingDirectory cwd(dir.path());
    ASSERT_EQ(model.load("models\\sample.md3", disk), kMd3Loaded) << model.problem();
    EXPECT_EQ(model.path, "models\\sample.md3");
    EXPECT_TRUE(model.problem().empty());
    expectMatches(model, written);
}

INSTANTIATE_TEST_SUITE_P(
    Layouts, Md3RoundTrip,
    ::testing::Values(LayoutCase{"packed", {}}, LayoutCase{"odd_gaps", {.gapBytes = 3, .tailBytes = 1}},
                      LayoutCase{"vertices_first", {.gapBytes = 1, .verticesFirst = true, .tailBytes = 5}}),
    [](const auto& info) { return std::string(info.param.label); });

// The reader against offsets written out by hand rather than by the writer, so
// that a layout mistake shared by both cannot pass unseen.
TEST(Md3Model, ReadsFieldsAtTheirFileOffsets) {
    std::string bytes(108 + 108 + 12 + 8 + 8 + 4, '\0');
    std::memcpy(bytes.data(), "IDP3", 4);
    putInt32(bytes, 4, 15);
    putInt32(bytes, 76, 1);  // frames: one record of 56 bytes, then no tags
    putInt32(bytes, 84, 1);  // one surface
    bytes.insert(108, std::string(56, '\0'));
    putInt32(bytes, 108 + 36, 0x40400000);  // frame radius 3.0f
    const size_t p = 108 + 56;
    putInt32(bytes, p + 72, 1);                                   // surface frames
    putInt32(bytes, p + 80, 1);                                   // vertices
    putInt32(bytes, p + 84, 1);                                   // triangles
    putInt32(bytes, p + 88, 108);                                 // triangles offset
    putInt32(bytes, p + 96, 120);                                 // texture coordinates offset
    putInt32(bytes, p + 100, 128);                                // vertices offset
    putInt32(bytes, p + 104, 140);                                // end, with 4 spare bytes
    putInt32(bytes, p + 120, 0x3f000000);                         // s = 0.5
    putInt32(bytes, p + 124, static_cast<int32_t>(0xbf800000u));  // t = -1
    putInt32(bytes, p + 128, static_cast<int32_t>(0xff800040u));  // x = 64, y = -128
    putInt32(bytes, p + 132, static_cast<int32_t>(0x07050003u));  // z = 3, normal (5, 7)

    Md3Model model;
    ASSERT_EQ(model.parse(bytes), kMd3Loaded) << model.problem();
    EXPECT_EQ(model.frameRecords.at(0).radius, 3.0f);
    ASSERT_EQ(model.surfaces.size(), 1u);
    const Md3Surface& s = model.surfaces[0];
    EXPECT_EQ(s.triangles.at(0), (Md3Triangle{{0, 0, 0}}));
    EXPECT_EQ(s.texCoords.at(0), (Md3TexCoord{0.5f, -1.0f}));
    EXPECT_EQ(s.vertices.at(0), (Md3Vertex{{64, -128, 3}, {5, 7}}));
    EXPECT_EQ(model.lastFrame, 0);
}

TEST(Md3Model, TheWriterPutsCountsAndOffsetsWhereTheFormatHasThem) {
    const md3write::Encoded file = md3write::encode(sampleModel(), {.gapBytes = 3});
    const std::string& b = file.bytes;
    EXPECT_EQ(b.substr(0, 4), "IDP3");
    EXPECT_EQ(getInt32(b, 4), 15);
    EXPECT_EQ(getInt32(b, 76), 3);
    EXPECT_EQ(getInt32(b, 80), 2);
    EXPECT_EQ(getInt32(b, 84), 3);
    EXPECT_EQ(file.surfaceStarts.at(0), 108u + 3 * 56 + 3 * 2 * 112);
    EXPECT_EQ(getInt32(b, 104), static_cast<int32_t>(b.size()));
    const size_t p = file.surfaceStarts.at(1);  // 2 shaders, 5 vertices, 3 triangles
    EXPECT_EQ(getInt32(b, p + 76), 2);
    EXPECT_EQ(getInt32(b, p + 80), 5);
    EXPECT_EQ(getInt32(b, p + 84), 3);
    EXPECT_EQ(getInt32(b, p + 88), 108 + 2 * 68 + 3);           // gap before the triangles
    EXPECT_EQ(getInt32(b, p + 96), 108 + 2 * 68 + 3 + 36 + 3);  // odd offsets
    EXPECT_EQ(static_cast<size_t>(getInt32(b, p + 104)), file.surfaceStarts.at(2) - p);
}

struct CodeCase {
    const char* label;
    std::string bytes;
    int32_t code;
};

TEST(Md3Model, RefusesFilesThatAreNotMd3Version15) {
    std::string good = md3write::encode(sampleModel()).bytes;
    std::string idp2 = good;
    idp2[3] = '2';
    std::string version16 = good;
    putInt32(version16, 4, 16);
    std::string zeroInIdent = good;
    zeroInIdent[2] = '\0';
    const std::vector<CodeCase> cases = {
        {"IDP2", idp2, kMd3NotVersion15},
        {"version 16", version16, kMd3NotVersion15},
        {"zero byte in the ident", zeroInIdent, kMd3NotVersion15},
        {"text", "hello, world", kMd3NotVersion15},
        {"empty", "", kMd3Damaged},
        {"header cut short", good.substr(0, 100), kMd3Damaged},
        {"only the ident", "IDP3", kMd3Damaged},
    };
    for (const CodeCase& c : cases) {
        Md3Model model;
        EXPECT_EQ(model.parse(c.bytes), c.code) << c.label;
        expectEmpty(model);
    }

    Md3Model model;
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    EXPECT_EQ(model.load("missing.md3", disk), kMd3CannotOpen);
    EXPECT_TRUE(model.path.empty());
}

// Each case lies about one count, offset or index of an otherwise good file.
TEST(Md3Model, RefusesCountsOffsetsAndIndicesThatDoNotFit) {
    const md3write::Encoded file = md3write::encode(sampleModel());
    const size_t p0 = file.surfaceStarts[0];
    const size_t p2 = file.surfaceStarts[2];
    const int32_t size = static_cast<int32_t>(file.bytes.size());
    const int32_t lastEnd = size - static_cast<int32_t>(p2);
    struct Lie {
        const char* label;
        size_t at;
        int32_t value;
    };
    const std::vector<Lie> lies = {
        {"frame count past the end", 76, 3000},
        {"frame count negative", 76, -1},
        {"frame count absurd", 76, 0x7fffffff},
        {"tag count past the end", 80, 200},
        {"tag count negative", 80, -2},
        {"tags overflowing 32 bits", 80, 0x40000000},
        {"one surface too many", 84, 4},
        {"surface count negative", 84, -1},
        {"surface frame count past its end", p0 + 72, 4},
        {"surface frame count negative", p0 + 72, -1},
        {"surface frame count absurd", p0 + 72, 0x20000000},
        {"shader count past its end", p0 + 76, 40},
        {"vertex count past its end", p0 + 80, 100},
        {"vertex count negative", p0 + 80, -4},
        {"triangle count past its end", p0 + 84, 1000},
        {"triangle count negative", p0 + 84, -1},
        {"triangles offset negative", p0 + 88, -12},
        {"triangles offset past the end", p0 + 88, size},
        {"triangles running into the next surface", p0 + 88, getInt32(file.bytes, p0 + 104) - 4},
        {"texture coordinates offset past the end", p0 + 96, 0x7ffffff0},
        {"vertices offset negative", p0 + 100, -8},
        {"vertices offset near the end", p0 + 100, getInt32(file.bytes, p0 + 104) - 8},
        {"end offset past the file", p2 + 104, lastEnd + 1},
        {"end offset zero", p0 + 104, 0},
        {"end offset negative", p0 + 104, -108},
        {"end offset inside the header", p0 + 104, 50},
        {"triangle index equal to the vertex count", p0 + getInt32(file.bytes, p0 + 88) + 8, 4},
        {"triangle index negative", p0 + getInt32(file.bytes, p0 + 88) + 4, -1},
        {"triangle index huge", p2 + getInt32(file.bytes, p2 + 88), 0x7fffffff},
    };
    for (const Lie& lie : lies) {
        std::string bytes = file.bytes;
        putInt32(bytes, lie.at, lie.value);
        Md3Model model;
        EXPECT_EQ(model.parse(bytes), kMd3Damaged) << lie.label;
        expectEmpty(model);
    }
}

TEST(Md3Model, EveryTruncationOfAGoodFileIsRefused) {
    const std::string bytes = md3write::encode(sampleModel(), {.gapBytes = 1}).bytes;
    Md3Model model;
    ASSERT_EQ(model.parse(bytes), kMd3Loaded);
    for (size_t n = 0; n < bytes.size(); ++n) {
        // A copy of exactly n bytes, so that reading past it is an error the sanitizer sees.
        const std::vector<char> prefix(bytes.begin(), bytes.begin() + n);
        ASSERT_EQ(model.parse(std::string_view(prefix.data(), prefix.size())), kMd3Damaged) << n;
        ASSERT_TRUE(model.surfaces.empty()) << n;
    }
}

// Overwrites each 4-byte field of the headers with values that commonly break
// readers; whatever loads must be consistent, whatever fails must be empty.
TEST(Md3Model, CorruptedFieldsEitherLoadConsistentlyOrLeaveTheModelEmpty) {
    const md3write::Encoded file = md3write::encode(sampleModel(), {.gapBytes = 2});
    std::vector<size_t> fields;
    for (size_t at = 0; at < 108; at += 4) fields.push_back(at);
    for (size_t p : file.surfaceStarts)
        for (size_t at = 68; at < 108; at += 4) fields.push_back(p + at);
    const int32_t values[] = {
        0, 1, -1, 2, 107, 108, 109, 0x7fffffff, static_cast<int32_t>(0x80000000), 0x10000, 4096};
    for (size_t at : fields) {
        for (int32_t value : values) {
            std::string bytes = file.bytes;
            putInt32(bytes, at, value);
            const std::vector<char> exact(bytes.begin(), bytes.end());
            Md3Model model;
            const int32_t code = model.parse(std::string_view(exact.data(), exact.size()));
            if (code != kMd3Loaded) {
                EXPECT_TRUE(model.surfaces.empty()) << at << " = " << value;
                continue;
            }
            for (const Md3Surface& s : model.surfaces) {
                ASSERT_EQ(s.vertices.size(), size_t(s.header.vertexCount) * size_t(s.header.frameCount));
                ASSERT_EQ(s.texCoords.size(), size_t(s.header.vertexCount));
                for (const Md3Triangle& t : s.triangles)
                    for (int32_t i : t.indices)
                        ASSERT_TRUE(i >= 0 && i < s.header.vertexCount) << at << " = " << value;
            }
        }
    }
}

TEST(Md3Model, AFailedLoadReleasesWhatAnEarlierLoadRead) {
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("good.md3", md3write::encode(sampleModel()).bytes);
    dir.write("bad.md3", "IDP2");
    Md3Model model;
    ASSERT_EQ(model.load("good.md3", disk), kMd3Loaded);
    ASSERT_EQ(model.surfaces.size(), 3u);
    EXPECT_EQ(model.load("bad.md3", disk), kMd3NotVersion15);
    expectEmpty(model);
    EXPECT_EQ(model.path, "bad.md3");
    model.release();
    EXPECT_TRUE(model.path.empty());
    model.release();  // releasing twice is harmless
}

TEST(Md3Model, SurfacesWithoutTrianglesOrVerticesAndModelsWithoutFramesLoad) {
    md3write::Model m;
    m.surfaces.push_back({});
    m.surfaces.back().frameCount = 0;
    std::string bytes = md3write::encode(m).bytes;
    // Offsets of empty blocks are never followed, wherever they point.
    putInt32(bytes, 108 + 88, -5000);
    Md3Model model;
    ASSERT_EQ(model.parse(bytes), kMd3Loaded) << model.problem();
    EXPECT_EQ(model.lastFrame, -1);
    EXPECT_EQ(model.surfaces.size(), 1u);
}

// ---- frame stepping

struct StepCase {
    int32_t lastFrame;
    int32_t a, b;
    float t;
    int32_t wantA, wantB;
    float wantT;
};

TEST(Md3Model, SetFramesStepsWholeFramesOutOfTheBlend) {
    const float nan = std::numeric_limits<float>::quiet_NaN();
    const float inf = std::numeric_limits<float>::infinity();
    const StepCase cases[] = {
        {9, 3, 4, 2.5f, 5, 6, 0.5f},
        {9, 9, 0, 1.25f, 0, 1, 0.25f},
        {9, 2, 3, -0.1f, 2, 3, 0.0f},
        {9, 2, 3, nan, 2, 3, 0.0f},
        {9, 2, 3, inf, 2, 3, 0.0f},
        {9, 8, 9, 1.0f, 8, 9, 1.0f},  // exactly 1 stays
        {9, 8, 9, 2.0f, 9, 0, 1.0f},
        {9, 8, 9, 3.5f, 1, 2, 0.5f},
        {9, 0, 1, 20.75f, 0, 1, 0.75f},  // twenty steps: twice round ten frames
        {9, 15, 40, 1.5f, 0, 0, 0.5f},   // frames past the last wrap on the first step
        {9, -3, -1, 3.5f, 0, 2, 0.5f},   // negative frames count up to 0 first
        {0, 0, 1, 1.5f, 0, 0, 0.5f},     // one frame: both stay at 0
        {-1, 0, 1, 5.0f, 0, 0, 1.0f},    // no frames at all
        {9, 2147483647, 2147483647, 1.5f, 0, 0, 0.5f},
    };
    for (const StepCase& c : cases) {
        Md3Model model;
        model.lastFrame = c.lastFrame;
        model.setFrames(c.a, c.b, c.t);
        EXPECT_EQ(model.frameA, c.wantA) << c.a << "," << c.b << " t=" << c.t << " last=" << c.lastFrame;
        EXPECT_EQ(model.frameB, c.wantB) << c.a << "," << c.b << " t=" << c.t << " last=" << c.lastFrame;
        EXPECT_FLOAT_EQ(model.blend, c.wantT) << c.a << "," << c.b << " t=" << c.t << " last=" << c.lastFrame;
    }
    // A blend far beyond any frame count still ends, on a frame of the model.
    for (float huge : {16777216.0f, 3e9f, 1e30f, std::numeric_limits<float>::max()}) {
        Md3Model model;
        model.lastFrame = 9;
        model.setFrames(4, 5, huge);
        EXPECT_EQ(model.blend, 1.0f) << huge;
        EXPECT_TRUE(model.frameA >= 0 && model.frameA <= 9 && model.frameB == (model.frameA + 1) % 10)
            << huge;
    }
}

TEST(Md3Model, AdvanceMovesTheBlendAtTheFrameRate) {
    Md3Model model;
    model.lastFrame = 9;
    model.setFrames(7, 8, 0);
    model.framesPerSecond = 12;
    std::vector<std::pair<int32_t, int32_t>> pairs;
    for (int i = 0; i < 8; ++i) {
        model.advance(0.125);
        pairs.emplace_back(model.frameA, model.frameB);
    }
    // 1.5 frames per call; a blend that lands on exactly 1 waits there for the next call.
    const std::vector<std::pair<int32_t, int32_t>> want = {{8, 9}, {9, 0}, {1, 2}, {2, 3},
                                                           {4, 5}, {5, 6}, {7, 8}, {8, 9}};
    EXPECT_EQ(pairs, want);
    EXPECT_FLOAT_EQ(model.blend, 1.0f);
}

// ---- normals

TEST(Md3Model, NormalTableDecodesTheTwoNormalBytes) {
    const std::array<Vec3, kMd3NormalTableSize>& md3NormalTable = qm::md3NormalTable();
    for (int x = 0; x < 256; ++x) EXPECT_EQ(md3NormalTable[x], (Vec3{0, 0, 1})) << x;
    const Vec3 n = md3NormalTable[64 * 256 + 0];
    EXPECT_NEAR(n.x, 0.99998, 1e-5);
    EXPECT_EQ(n.y, 0.0f);
    EXPECT_NEAR(n.z, -0.00616, 1e-5);
    const Vec3 m = md3NormalTable[64 * 256 + 64];  // a quarter turn round in both angles
    EXPECT_NEAR(m.x, -0.00616, 1e-4);
    EXPECT_NEAR(m.y, 0.99996, 1e-4);
}

TEST(Md3Writer, EncodedNormalsPointWhereTheyWereAimed) {
    Md3Model model;
    const Vec3 directions[] = {{0, 0, 1},         {0, 0, -1}, {1, 0, 0},        {-1, 0, 0},
                               {0, 1, 0},         {0, -1, 0}, {0.6f, -0.8f, 0}, {-0.36f, -0.48f, 0.8f},
                               {0.01f, -0.02f, 1}};
    for (const Vec3& d : directions) {
        const auto bytes = md3write::encodeNormal(d);
        const Vec3 n = md3NormalTable()[bytes[0] * 256 + bytes[1]];
        const float len = std::sqrt(d.x * d.x + d.y * d.y + d.z * d.z);
        EXPECT_GT((n.x * d.x + n.y * d.y + n.z * d.z) / len, 0.9995f) << d.x << "," << d.y << "," << d.z;
    }
    EXPECT_EQ(md3write::encodePosition(1.5f), 96);
    EXPECT_EQ(md3write::encodePosition(-1000.0f), -32768);
    EXPECT_EQ(md3write::encodePosition(1000.0f), 32767);
}

// ---- the demo's model

TEST(DemoModel, IsASmallLoopingModelThatReadsBackAndIsTheSameEveryTime) {
    const md3write::Model built = demomodel::build();
    const std::string bytes = md3write::encode(built).bytes;
    EXPECT_EQ(bytes, md3write::encode(demomodel::build()).bytes);

    Md3Model model;
    ASSERT_EQ(model.parse(bytes), kMd3Loaded) << model.problem();
    expectMatches(model, built);
    EXPECT_GE(model.surfaces.size(), 2u);
    EXPECT_GE(model.lastFrame + 1, 16);
    EXPECT_LE(model.lastFrame + 1, 32);
    size_t triangles = 0;
    for (const Md3Surface& s : model.surfaces) {
        triangles += s.triangles.size();
        EXPECT_EQ(s.header.frameCount, model.lastFrame + 1);
        // The step from the last frame back to the first is no bigger than any
        // other step: the loop has no jump.
        const size_t count = s.texCoords.size();
        auto largestMove = [&](int from, int to) {
            int largest = 0;
            for (size_t v = 0; v < count; ++v)
                for (int k = 0; k < 3; ++k)
                    largest = std::max(largest, std::abs(s.vertices[from * count + v].position[k] -
                                                         s.vertices[to * count + v].position[k]));
            return largest;
        };
        int steadyMove = 0;
        for (int f = 0; f < model.lastFrame; ++f) steadyMove = std::max(steadyMove, largestMove(f, f + 1));
        EXPECT_GT(steadyMove, 0);
        EXPECT_LE(largestMove(model.lastFrame, 0), steadyMove + 1);
    }
    EXPECT_LE(triangles, 4000u);
}

// The model object mirrors x, so triangles must wind clockwise seen from
// outside (against their vertex normals) to face the viewer after the mirror.
TEST(DemoModel, TrianglesWindClockwiseAgainstTheirNormals) {
    const md3write::Model built = demomodel::build();
    Md3Model model;  // for the normal table
    for (const md3write::Surface& s : built.surfaces) {
        int clockwise = 0;
        for (const Md3Triangle& t : s.triangles) {
            Vec3 p[3], n{};
            for (int k = 0; k < 3; ++k) {
                const Md3Vertex& v = s.vertices[t.indices[k]];
                p[k] = {float(v.position[0]), float(v.position[1]), float(v.position[2])};
                n = n.add(md3NormalTable()[v.normal[0] * 256 + v.normal[1]]);
            }
            const Vec3 e1{p[1].x - p[0].x, p[1].y - p[0].y, p[1].z - p[0].z};
            const Vec3 e2{p[2].x - p[0].x, p[2].y - p[0].y, p[2].z - p[0].z};
            const Vec3 c{e1.y * e2.z - e1.z * e2.y, e1.z * e2.x - e1.x * e2.z, e1.x * e2.y - e1.y * e2.x};
            clockwise += (c.x * n.x + c.y * n.y + c.z * n.z) < 0;
        }
        EXPECT_EQ(clockwise, static_cast<int>(s.triangles.size())) << s.name;
    }
}

}  // namespace
}  // namespace qm
