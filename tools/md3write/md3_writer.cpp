// md3_writer.cpp -- MD3 file images written field by field, little-endian, in the reader's record layout.
#include "md3write/md3_writer.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <numbers>

#include "base/paths.h"

namespace qm::md3write {

namespace {

constexpr std::array<char, 4> kIdent = {'I', 'D', 'P', '3'};  // no terminating zero
constexpr double kNormalStep = 0.024639942381096416;          // 2 pi / 255, the table's angle step

class ByteSink {
public:
    size_t size() const { return bytes_.size(); }
    std::string take() { return std::move(bytes_); }

    void u8(uint8_t v) { bytes_.push_back(static_cast<char>(v)); }
    void i16(int16_t v) {
        const auto u = static_cast<uint16_t>(v);
        u8(u & 0xff);
        u8(u >> 8);
    }
    void i32(int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int shift = 0; shift < 32; shift += 8) u8((u >> shift) & 0xff);
    }
    void f32(float v) {
        int32_t bits;
        std::memcpy(&bits, &v, sizeof bits);
        i32(bits);
    }
    void vec3(const Vec3& v) {
        f32(v.x);
        f32(v.y);
        f32(v.z);
    }
    template <size_t N>
    void chars(const std::array<char, N>& text) {
        bytes_.append(text.data(), N);
    }
    void fill(int count, unsigned char byte) {
        bytes_.append(static_cast<size_t>(std::max(count, 0)), static_cast<char>(byte));
    }
    // Overwrites an int32 written earlier (offsets known only once a block is placed).
    void patchI32(size_t at, int32_t v) {
        const auto u = static_cast<uint32_t>(v);
        for (int i = 0; i < 4; ++i) bytes_[at + i] = static_cast<char>((u >> (8 * i)) & 0xff);
    }

private:
    std::string bytes_;
};

void writeFrame(ByteSink& out, const Md3Frame& f) {
    out.vec3(f.boundsMin);
    out.vec3(f.boundsMax);
    out.vec3(f.localOrigin);
    out.f32(f.radius);
    out.chars(f.name);
}

void writeTag(ByteSink& out, const Md3Tag& t) {
    out.chars(t.name);
    out.vec3(t.origin);
    for (const Vec3& axis : t.axis) out.vec3(axis);
}

void writeTriangles(ByteSink& out, const Surface& s) {
    for (const Md3Triangle& t : s.triangles)
        for (int32_t i : t.indices) out.i32(i);
}

void writeTexCoords(ByteSink& out, const Surface& s) {
    for (const Md3TexCoord& c : s.texCoords) {
        out.f32(c.s);
        out.f32(c.t);
    }
}

void writeVertices(ByteSink& out, const Surface& s) {
    for (const Md3Vertex& v : s.vertices) {
        for (int16_t c : v.position) out.i16(c);
        out.u8(v.normal[0]);
        out.u8(v.normal[1]);
    }
}

// Surface header field offsets that are filled in once the blocks are placed.
constexpr size_t kTrianglesOffsetField = 88;
constexpr size_t kTexCoordsOffsetField = 96;
constexpr size_t kVerticesOffsetField = 100;
constexpr size_t kSurfaceEndField = 104;

void writeSurface(ByteSink& out, const Surface& s, const Layout& layout) {
    const size_t start = out.size();
    out.chars(kIdent);
    out.chars(fixedName<64>(s.name));
    out.i32(s.flags);
    out.i32(s.frameCount);
    out.i32(static_cast<int32_t>(s.shaders.size()));
    out.i32(static_cast<int32_t>(s.texCoords.size()));
    out.i32(static_cast<int32_t>(s.triangles.size()));
    out.i32(0);                                             // triangles offset, patched below
    out.i32(static_cast<int32_t>(kMd3SurfaceHeaderBytes));  // shaders follow the header
    out.i32(0);                                             // texture coordinates offset
    out.i32(0);                                             // vertices offset
    out.i32(0);                                             // end offset
    for (const Md3Shader& shader : s.shaders) {
        out.chars(shader.name);
        out.i32(shader.index);
    }

    auto place = [&](size_t field, void (*write)(ByteSink&, const Surface&)) {
        out.fill(layout.gapBytes, layout.filler);
        out.patchI32(start + field, static_cast<int32_t>(out.size() - start));
        write(out, s);
    };
    if (layout.verticesFirst) {
        place(kVerticesOffsetField, writeVertices);
        place(kTexCoordsOffsetField, writeTexCoords);
        place(kTrianglesOffsetField, writeTriangles);
    } else {
        place(kTrianglesOffsetField, writeTriangles);
        place(kTexCoordsOffsetField, writeTexCoords);
        place(kVerticesOffsetField, writeVertices);
    }
    out.fill(layout.tailBytes, layout.filler);
    out.patchI32(start + kSurfaceEndField, static_cast<int32_t>(out.size() - start));
}

}  // namespace

Encoded encode(const Model& model, const Layout& layout) {
    ByteSink out;
    const auto frameCount = static_cast<int32_t>(model.frames.size());
    const int32_t framesAt = static_cast<int32_t>(kMd3HeaderBytes);
    const int32_t tagsAt = framesAt + frameCount * static_cast<int32_t>(kMd3FrameBytes);
    const int32_t surfacesAt = tagsAt + static_cast<int32_t>(model.tags.size() * kMd3TagBytes);

    out.chars(kIdent);
    out.i32(kMd3Version);
    out.chars(fixedName<64>(model.name));
    out.i32(model.flags);
    out.i32(frameCount);
    out.i32(model.tagsPerFrame);
    out.i32(static_cast<int32_t>(model.surfaces.size()));
    out.i32(model.skinCount);
    out.i32(framesAt);
    out.i32(tagsAt);
    out.i32(surfacesAt);
    out.i32(0);  // end offset, patched below

    for (const Md3Frame& f : model.frames) writeFrame(out, f);
    for (const Md3Tag& t : model.tags) writeTag(out, t);
    Encoded encoded;
    for (const Surface& s : model.surfaces) {
        encoded.surfaceStarts.push_back(out.size());
        writeSurface(out, s, layout);
    }
    out.patchI32(104, static_cast<int32_t>(out.size()));
    encoded.bytes = out.take();
    return encoded;
}

bool writeFile(const std::string& path, const Model& model, const Layout& layout) {
    const std::string bytes = encode(model, layout).bytes;
    FileHandle file = openFile(path, "wb");
    if (!file) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file.get()) == bytes.size();
    return std::fclose(file.release()) == 0 && written;
}

std::array<uint8_t, 2> encodeNormal(Vec3 normal) {
    const double length =
        std::sqrt(double(normal.x) * normal.x + double(normal.y) * normal.y + double(normal.z) * normal.z);
    if (!(length > 0)) return {0, 0};
    const double x = normal.x / length, y = normal.y / length, z = normal.z / length;
    // Rounded angles first, then the best of the neighbouring entries.
    const int p0 = static_cast<int>(std::lround(std::acos(std::clamp(z, -1.0, 1.0)) / kNormalStep));
    double longitude = std::atan2(y, x);
    if (longitude < 0) longitude += 2 * std::numbers::pi;
    const int q0 = static_cast<int>(std::lround(longitude / kNormalStep));
    std::array<uint8_t, 2> best{0, 0};
    double bestDot = -2;
    for (int p = p0 - 1; p <= p0 + 1; ++p) {
        if (p < 0 || p > 255) continue;
        for (int q = q0 - 1; q <= q0 + 1; ++q) {
            const int qq = ((q % 255) + 255) % 255;  // 255 steps make a full turn
            const double a = p * kNormalStep, b = qq * kNormalStep;
            const double dot =
                std::sin(a) * std::cos(b) * x + std::sin(a) * std::sin(b) * y + std::cos(a) * z;
            if (dot > bestDot) {
                bestDot = dot;
                best = {static_cast<uint8_t>(p), static_cast<uint8_t>(qq)};
            }
        }
    }
    return best;
}

int16_t encodePosition(float coordinate) {
    const double units = std::round(static_cast<double>(coordinate) * 64.0);
    if (!(units >= -32768.0)) return -32768;
    return static_cast<int16_t>(std::min(units, 32767.0));
}

Md3Vertex makeVertex(Vec3 position, Vec3 normal) {
    Md3Vertex v;
    v.position = {encodePosition(position.x), encodePosition(position.y), encodePosition(position.z)};
    v.normal = encodeNormal(normal);
    return v;
}

}  // namespace qm::md3write
