// file_targets.cpp -- fuzz targets of the binary readers and of the script text layer: images, MD3, curves,
// modules, words and items.
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "fuzz_check.h"
#include "fuzz_targets_internal.h"
#include "music/module_sync.h"
#include "music/song_stream.h"
#include "music/sync_queue.h"
#include "resources/md3_model.h"
#include "resources/texture.h"
#include "scene/curve.h"
#include "script/token_line.h"

namespace qm::fuzz {

namespace {

// A picture is either whole (width x height RGBA pixels) or absent.
void checkPicture(const Texture& texture, bool read) {
    require(read == (texture.status() == ImageStatus::Ok), "the result agrees with the status");
    if (!read) {
        require(texture.pixels.empty(), "a failed read leaves no picture");
        return;
    }
    require(texture.width > 0 && texture.height > 0, "a picture has a size");
    require(texture.width <= kMaxImageSide && texture.height <= kMaxImageSide,
            "a picture is within the limits");
    require(
        texture.pixels.size() == static_cast<size_t>(texture.width) * static_cast<size_t>(texture.height) * 4,
        "a picture has width x height RGBA pixels");
}

// Reading into a texture that already holds a picture must drop it first.
template <typename Read>
void readImage(std::string_view input, Read read) {
    Texture texture;
    checkPicture(texture, (texture.*read)(input));
    checkPicture(texture, (texture.*read)(input));
}

// A float read from the input, when it has four more bytes.
float takeFloat(std::string_view& input) {
    if (input.size() < 4) return 0.0f;
    float value;
    std::memcpy(&value, input.data(), sizeof value);
    input.remove_prefix(4);
    return value;
}

int32_t takeInt(std::string_view& input) {
    if (input.size() < 4) return 0;
    int32_t value;
    std::memcpy(&value, input.data(), sizeof value);
    input.remove_prefix(4);
    return value;
}

constexpr float kInf = std::numeric_limits<float>::infinity();
constexpr float kNan = std::numeric_limits<float>::quiet_NaN();

// Parameters no caller should send, and some that callers send every frame.
constexpr float kAwkwardFloats[] = {0.0f,
                                    -0.0f,
                                    0.5f,
                                    1.0f,
                                    -1.0f,
                                    1.0f - 1e-7f,
                                    1e-30f,
                                    2.5f,
                                    -7.25f,
                                    63.0f,
                                    1e7f,
                                    3e38f,
                                    -3e38f,
                                    kInf,
                                    -kInf,
                                    kNan,
                                    std::numeric_limits<float>::denorm_min()};

}  // namespace

void runBmp(std::string_view input) {
    readImage(input, &Texture::readBmpData);
}
void runTga(std::string_view input) {
    readImage(input, &Texture::readTgaData);
}
void runPng(std::string_view input) {
    readImage(input, &Texture::readPngData);
}

void runMd3(std::string_view input) {
    Md3Model model;
    const int32_t result = model.parse(input);
    require(result == kMd3Loaded || result == kMd3NotVersion15 || result == kMd3Damaged, "a known result");
    require((result == kMd3Loaded) == model.problem().empty(), "a failure says why");
    if (result != kMd3Loaded) {
        require(model.surfaces.empty() && model.frameRecords.empty() && model.lastFrame == -1,
                "a failed load leaves the model empty");
        return;
    }
    require(model.lastFrame == model.header.frameCount - 1, "the last frame follows the header");
    for (const Md3Surface& s : model.surfaces) {
        const size_t vertices = static_cast<size_t>(s.header.vertexCount);
        require(s.texCoords.size() == vertices, "one texture coordinate per vertex");
        require(s.vertices.size() == vertices * static_cast<size_t>(s.header.frameCount),
                "vertices of every frame");
        for (const Md3Triangle& t : s.triangles)
            for (int32_t i : t.indices)
                require(i >= 0 && static_cast<size_t>(i) < vertices, "triangles use vertices");
    }
    // Frame stepping with what the script or a long frame may hand it.
    std::string_view rest = input.substr(input.size() > 16 ? input.size() - 16 : 0);
    model.setFrames(takeInt(rest), takeInt(rest), takeFloat(rest));
    for (float t : kAwkwardFloats) {
        model.setFrames(model.frameA, model.frameB, t);
        require(model.blend >= 0.0f && model.blend <= 1.0f, "the blend ends within 0..1");
    }
}

void runCurve(std::string_view input) {
    Curve curve;
    const auto* bytes = reinterpret_cast<const unsigned char*>(input.data());
    const Curve::LoadResult result = curve.parse(bytes, input.size());
    // A file cut short is still used as read (the missing keys at zero); the checker reports it.
    const bool read = result == Curve::LoadResult::Loaded || result == Curve::LoadResult::Truncated;
    require(curve.usable() == read, "a curve read whole or cut short is usable, any other is not");
    if (curve.usable())
        require(curve.segmentCount >= 0 && curve.segmentCount < Curve::kMaxKeys, "segments index the keys");
    for (float t : kAwkwardFloats) {
        curve.evaluate(t);
        curve.evaluate(-t);
    }
    // Bytes past the record pick more parameters, so that the fuzzer can aim at segment ends.
    std::string_view rest = input.size() > static_cast<size_t>(Curve::kRecordSize)
                                ? input.substr(static_cast<size_t>(Curve::kRecordSize))
                                : std::string_view{};
    for (int i = 0; i < 64 && rest.size() >= 4; ++i) curve.evaluate(takeFloat(rest));
    for (int i = 0; i <= 4 * Curve::kMaxKeys; ++i)
        curve.evaluate(static_cast<float>(i) / (4 * Curve::kMaxKeys));
}

void runTokens(std::string_view input) {
    TokenLine line;
    line.splitWords(input);
    const int words = line.count();
    require(words >= 0 && static_cast<size_t>(words) <= input.size() + 1, "no more words than characters");
    for (int i = -2; i < 2 * words + 3; ++i) require(line.word(i) != nullptr, "a word is never null");
    for (int i = 0; i < words; ++i)
        require(line.wordString(i) == line.wordString(i + words), "an index past the last word wraps around");

    line.splitList(input);
    const int items = line.count();
    require(static_cast<size_t>(items) <= input.size() + 1, "no more items than characters");
    for (int i = 0; i < items; ++i)
        require(line.wordString(i).find(',') == std::string::npos, "an item holds no comma");

    const std::string trimmed = trimmedCopy(input);
    require(trimmed.size() <= input.size(), "trimming never adds");
    require(input.find(trimmed) != std::string_view::npos, "the trimmed text is part of the text");
}

void runModule(std::string_view input) {
    // The stripper on its own: it only ever writes zeroes, in place.
    std::string stripped(input);
    const int removed = stripSyncCommands(stripped);
    require(removed >= 0, "a count of commands");
    require(stripped.size() == input.size(), "the file keeps its size");
    size_t changed = 0;
    for (size_t i = 0; i < input.size(); ++i) {
        if (stripped[i] == input[i]) continue;
        require(stripped[i] == 0, "only zeroes are written");
        ++changed;
    }
    require(changed <= 2 * static_cast<size_t>(removed), "a command and its parameter per removal");
    if (detectModuleFormat(input) == ModuleFormat::Unknown)
        require(removed == 0, "other formats are left alone");

    // The player's way: the Z table from the bytes as written, the stripped bytes
    // played, a few blocks decoded with their sync values queued.
    SongStream song;
    if (!song.open(std::string(input))) return;
    SyncQueue queue;
    std::vector<int16_t> out(SongStream::kBlockFrames * SongStream::kChannels * 4);
    song.prime(queue);
    for (int i = 0; i < 4; ++i) song.render(out.data(), out.size() / SongStream::kChannels, queue);
    song.tempo();
}

}  // namespace qm::fuzz
