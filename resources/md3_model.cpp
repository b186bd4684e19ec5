// md3_model.cpp -- MD3 file reading with full validation, the normal table, frame stepping and blended
// drawing.
#include "resources/md3_model.h"

#include <GL/gl.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/paths.h"

namespace qm {

namespace {

// ---- little-endian field reads from a block already checked to lie in the file

uint32_t readU32(const unsigned char* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

int32_t readI32(const unsigned char* p) {
    return static_cast<int32_t>(readU32(p));
}

int16_t readI16(const unsigned char* p) {
    return static_cast<int16_t>(uint16_t(p[0]) | uint16_t(p[1]) << 8);
}

float readF32(const unsigned char* p) {
    const uint32_t bits = readU32(p);
    float f;
    std::memcpy(&f, &bits, sizeof f);
    return f;
}

Vec3 readVec3(const unsigned char* p) {
    return {readF32(p), readF32(p + 4), readF32(p + 8)};
}

template <size_t N>
std::array<char, N> readChars(const unsigned char* p) {
    std::array<char, N> text;
    std::memcpy(text.data(), p, N);
    return text;
}

// ---- one reader per record, offsets as in the header's comments

Md3Header readHeader(const unsigned char* p) {
    Md3Header h;
    h.ident = readChars<4>(p);
    h.version = readI32(p + 4);
    h.name = readChars<64>(p + 8);
    h.flags = readI32(p + 72);
    h.frameCount = readI32(p + 76);
    h.tagCount = readI32(p + 80);
    h.surfaceCount = readI32(p + 84);
    h.skinCount = readI32(p + 88);
    h.framesOffset = readI32(p + 92);
    h.tagsOffset = readI32(p + 96);
    h.surfacesOffset = readI32(p + 100);
    h.endOffset = readI32(p + 104);
    return h;
}

Md3Frame readFrame(const unsigned char* p) {
    Md3Frame f;
    f.boundsMin = readVec3(p);
    f.boundsMax = readVec3(p + 12);
    f.localOrigin = readVec3(p + 24);
    f.radius = readF32(p + 36);
    f.name = readChars<16>(p + 40);
    return f;
}

Md3Tag readTag(const unsigned char* p) {
    Md3Tag t;
    t.name = readChars<64>(p);
    t.origin = readVec3(p + 64);
    for (int i = 0; i < 3; ++i) t.axis[i] = readVec3(p + 76 + 12 * i);
    return t;
}

Md3SurfaceHeader readSurfaceHeader(const unsigned char* p) {
    Md3SurfaceHeader h;
    h.ident = readChars<4>(p);
    h.name = readChars<64>(p + 4);
    h.flags = readI32(p + 68);
    h.frameCount = readI32(p + 72);
    h.shaderCount = readI32(p + 76);
    h.vertexCount = readI32(p + 80);
    h.triangleCount = readI32(p + 84);
    h.trianglesOffset = readI32(p + 88);
    h.shadersOffset = readI32(p + 92);
    h.texCoordsOffset = readI32(p + 96);
    h.verticesOffset = readI32(p + 100);
    h.endOffset = readI32(p + 104);
    return h;
}

Md3Shader readShader(const unsigned char* p) {
    Md3Shader s;
    s.name = readChars<64>(p);
    s.index = readI32(p + 64);
    return s;
}

Md3Triangle readTriangle(const unsigned char* p) {
    return {{readI32(p), readI32(p + 4), readI32(p + 8)}};
}

Md3TexCoord readTexCoord(const unsigned char* p) {
    return {readF32(p), readF32(p + 4)};
}

Md3Vertex readVertex(const unsigned char* p) {
    Md3Vertex v;
    v.position = {readI16(p), readI16(p + 2), readI16(p + 4)};
    v.normal = {p[6], p[7]};
    return v;
}

// ---- bounds

// True when `count` records of `recordBytes` starting at `offset` lie within
// [begin, end). Counts are already limited, so the product cannot overflow.
bool blockFits(int64_t offset, int64_t count, size_t recordBytes, int64_t begin, int64_t end) {
    if (offset < begin || offset > end) return false;
    return count * static_cast<int64_t>(recordBytes) <= end - offset;
}

// Reads `count` records from a block that blockFits accepted.
template <typename Record, typename Read>
std::vector<Record> readRecords(const unsigned char* data, int64_t offset, int64_t count, size_t recordBytes,
                                Read read) {
    std::vector<Record> records;
    records.reserve(static_cast<size_t>(count));
    for (int64_t i = 0; i < count; ++i)
        records.push_back(read(data + offset + i * static_cast<int64_t>(recordBytes)));
    return records;
}

bool countInRange(int32_t count, int32_t limit) {
    return count >= 0 && count <= limit;
}

std::string formatted(const char* pattern, auto... values) {
    char text[160];
    std::snprintf(text, sizeof text, pattern, values...);
    return text;
}

// The surface name for messages: at most 64 characters, up to the first zero byte.
std::string surfaceLabel(int index, const Md3SurfaceHeader& h) {
    const char* end = std::find(h.name.begin(), h.name.end(), '\0');
    return formatted("surface %d \"%s\"", index, std::string(h.name.begin(), end).c_str());
}

// ---- animation

// One animation step moves a frame on by one and wraps it to 0 once it passes
// `last`. Returns the frame after `steps` such steps without walking them one by one.
int32_t stepFrame(int32_t frame, uint64_t steps, int32_t last) {
    if (steps == 0) return frame;
    if (last < 0) return 0;  // no frames: every step wraps at once
    if (frame < 0) {
        const uint64_t toZero = static_cast<uint64_t>(-static_cast<int64_t>(frame));
        if (steps <= toZero) return static_cast<int32_t>(frame + static_cast<int64_t>(steps));
        frame = 0;
        steps -= toZero;
    } else if (frame >= last) {
        frame = 0;
        --steps;
    }
    const uint64_t count = static_cast<uint64_t>(last) + 1;
    return static_cast<int32_t>((static_cast<uint64_t>(frame) + steps % count) % count);
}

// The surface's own frame nearest to `frame`: a surface with fewer frames than
// the model holds its last pose.
size_t surfaceFrame(int32_t frame, int32_t frameCount) {
    return static_cast<size_t>(std::clamp(frame, 0, frameCount - 1));
}

}  // namespace

const std::array<Vec3, kMd3NormalTableSize>& md3NormalTable() {
    static const std::array<Vec3, kMd3NormalTableSize> table = [] {
        std::array<Vec3, kMd3NormalTableSize> t;
        constexpr double kStep = 0.024639942381096416;  // 2 pi / 255
        for (int i = 0; i < 256; ++i) {
            const double a = i * kStep;
            for (int j = 0; j < 256; ++j) {
                const double b = j * kStep;
                t[i * 256 + j] = {static_cast<float>(std::sin(a) * std::cos(b)),
                                  static_cast<float>(std::sin(a) * std::sin(b)),
                                  static_cast<float>(std::cos(a))};
            }
        }
        return t;
    }();
    return table;
}

Md3Model::Md3Model() = default;

void Md3Model::clearContents() {
    header = {};
    frameRecords = {};
    tagRecords = {};
    surfaces = {};
    lastFrame = -1;
}

void Md3Model::release() {
    path = {};
    clearContents();
}

int32_t Md3Model::fail(int32_t code, std::string reason) {
    clearContents();
    problem_ = std::move(reason);
    return code;
}

int32_t Md3Model::load(std::string_view filePath, FileSource& files) {
    release();
    problem_.clear();
    std::string bytes;
    if (!files.read(filePath, bytes)) return fail(kMd3CannotOpen, "cannot be opened");
    path = std::string(filePath);
    return parse(bytes);
}

int32_t Md3Model::parse(std::string_view bytes) {
    clearContents();
    problem_.clear();
    const auto* data = reinterpret_cast<const unsigned char*>(bytes.data());
    const int64_t size = static_cast<int64_t>(bytes.size());

    // -- header
    static constexpr unsigned char kSignature[8] = {'I', 'D', 'P', '3', kMd3Version, 0, 0, 0};
    if (size < static_cast<int64_t>(kMd3HeaderBytes)) {
        if (!bytes.empty() && std::memcmp(data, kSignature, std::min(bytes.size(), sizeof kSignature)) != 0)
            return fail(kMd3NotVersion15, "not an MD3 file of version 15");
        return fail(kMd3Damaged, "the file ends inside the header");
    }
    const Md3Header h = readHeader(data);
    if (std::memcmp(h.ident.data(), "IDP3", 4) != 0)
        return fail(kMd3NotVersion15, "not an MD3 file (no \"IDP3\")");
    if (h.version != kMd3Version)
        return fail(kMd3NotVersion15, formatted("MD3 version %d, not 15", h.version));
    if (!countInRange(h.frameCount, kMd3MaxFrames))
        return fail(kMd3Damaged, formatted("frame count %d is outside 0..%d", h.frameCount, kMd3MaxFrames));
    if (!countInRange(h.tagCount, kMd3MaxTags))
        return fail(kMd3Damaged, formatted("tag count %d is outside 0..%d", h.tagCount, kMd3MaxTags));
    if (!countInRange(h.surfaceCount, kMd3MaxSurfaces))
        return fail(kMd3Damaged,
                    formatted("surface count %d is outside 0..%d", h.surfaceCount, kMd3MaxSurfaces));

    // -- frames and tags follow the header directly; the header's offsets are not consulted
    int64_t pos = kMd3HeaderBytes;
    if (!blockFits(pos, h.frameCount, kMd3FrameBytes, 0, size))
        return fail(kMd3Damaged, "the file ends inside the frames");
    std::vector<Md3Frame> frames = readRecords<Md3Frame>(data, pos, h.frameCount, kMd3FrameBytes, readFrame);
    pos += int64_t{h.frameCount} * kMd3FrameBytes;

    const int64_t tagTotal = int64_t{h.frameCount} * h.tagCount;
    if (!blockFits(pos, tagTotal, kMd3TagBytes, 0, size))
        return fail(kMd3Damaged, "the file ends inside the tags");
    std::vector<Md3Tag> tags = readRecords<Md3Tag>(data, pos, tagTotal, kMd3TagBytes, readTag);
    pos += tagTotal * static_cast<int64_t>(kMd3TagBytes);

    // -- surfaces, each from its start P to P + end offset; the first starts where the tags end
    std::vector<Md3Surface> surfaceList;
    surfaceList.reserve(static_cast<size_t>(h.surfaceCount));
    for (int32_t s = 0; s < h.surfaceCount; ++s) {
        const int64_t start = pos;
        if (!blockFits(start, 1, kMd3SurfaceHeaderBytes, 0, size))
            return fail(kMd3Damaged, formatted("surface %d starts too close to the end of the file", s));
        Md3Surface surface;
        const Md3SurfaceHeader& sh = surface.header = readSurfaceHeader(data + start);
        const std::string label = surfaceLabel(s, sh);

        if (!countInRange(sh.frameCount, kMd3MaxFrames))
            return fail(kMd3Damaged, formatted("%s: frame count %d is outside 0..%d", label.c_str(),
                                               sh.frameCount, kMd3MaxFrames));
        if (!countInRange(sh.shaderCount, kMd3MaxShaders))
            return fail(kMd3Damaged, formatted("%s: shader count %d is outside 0..%d", label.c_str(),
                                               sh.shaderCount, kMd3MaxShaders));
        if (!countInRange(sh.vertexCount, kMd3MaxVertices))
            return fail(kMd3Damaged, formatted("%s: vertex count %d is outside 0..%d", label.c_str(),
                                               sh.vertexCount, kMd3MaxVertices));
        if (!countInRange(sh.triangleCount, kMd3MaxTriangles))
            return fail(kMd3Damaged, formatted("%s: triangle count %d is outside 0..%d", label.c_str(),
                                               sh.triangleCount, kMd3MaxTriangles));

        // Every block of a surface lies between its start and its end, and the end within the file.
        if (sh.endOffset < static_cast<int32_t>(kMd3SurfaceHeaderBytes) || sh.endOffset > size - start)
            return fail(kMd3Damaged,
                        formatted("%s: end offset %d runs past the end of the file or into its header",
                                  label.c_str(), sh.endOffset));
        const int64_t end = start + sh.endOffset;
        // An empty block reads nothing, so where it points does not matter.
        auto fits = [&](int64_t offset, int64_t count, size_t recordBytes) {
            return count == 0 || blockFits(offset, count, recordBytes, start, end);
        };

        const int64_t shadersAt = start + static_cast<int64_t>(kMd3SurfaceHeaderBytes);
        if (!fits(shadersAt, sh.shaderCount, kMd3ShaderBytes))
            return fail(kMd3Damaged, formatted("%s: the shaders run past the surface's end", label.c_str()));
        const int64_t trianglesAt = start + sh.trianglesOffset;
        if (!fits(trianglesAt, sh.triangleCount, kMd3TriangleBytes))
            return fail(kMd3Damaged, formatted("%s: the triangles at offset %d run outside the surface",
                                               label.c_str(), sh.trianglesOffset));
        const int64_t texCoordsAt = start + sh.texCoordsOffset;
        if (!fits(texCoordsAt, sh.vertexCount, kMd3TexCoordBytes))
            return fail(kMd3Damaged,
                        formatted("%s: the texture coordinates at offset %d run outside the surface",
                                  label.c_str(), sh.texCoordsOffset));
        const int64_t verticesAt = start + sh.verticesOffset;
        const int64_t vertexTotal = int64_t{sh.vertexCount} * sh.frameCount;
        if (!fits(verticesAt, vertexTotal, kMd3VertexBytes))
            return fail(kMd3Damaged, formatted("%s: the vertices at offset %d run outside the surface",
                                               label.c_str(), sh.verticesOffset));

        surface.shaders =
            readRecords<Md3Shader>(data, shadersAt, sh.shaderCount, kMd3ShaderBytes, readShader);
        surface.triangles =
            readRecords<Md3Triangle>(data, trianglesAt, sh.triangleCount, kMd3TriangleBytes, readTriangle);
        surface.texCoords =
            readRecords<Md3TexCoord>(data, texCoordsAt, sh.vertexCount, kMd3TexCoordBytes, readTexCoord);
        surface.vertices = readRecords<Md3Vertex>(data, verticesAt, vertexTotal, kMd3VertexBytes, readVertex);

        for (size_t t = 0; t < surface.triangles.size(); ++t)
            for (int32_t index : surface.triangles[t].indices)
                if (index < 0 || index >= sh.vertexCount)
                    return fail(kMd3Damaged, formatted("%s: triangle %zu uses vertex %d of %d", label.c_str(),
                                                       t, index, sh.vertexCount));

        surfaceList.push_back(std::move(surface));
        pos = end;
    }

    header = h;
    frameRecords = std::move(frames);
    tagRecords = std::move(tags);
    surfaces = std::move(surfaceList);
    lastFrame = h.frameCount - 1;
    return kMd3Loaded;
}

void Md3Model::setFrames(int32_t a, int32_t b, float t) {
    if (!(t >= 0.0f) || std::isinf(t)) {
        // Negative, not a number, or too large to step through: the pair stays.
        t = 0.0f;
    } else if (t > 1.0f) {
        // Step whole frames until the blend is at most 1; a blend of exactly 1
        // stays at 1. Counted rather than looped, so that any blend ends.
        const double steps = std::ceil(static_cast<double>(t)) - 1.0;
        // Below 2^24 the subtraction is exact; above it every float is whole and ends at 1.
        t = t < 16777216.0f ? static_cast<float>(static_cast<double>(t) - steps) : 1.0f;
        constexpr double kMaxSteps = 4611686018427387904.0;  // 2^62; blends this large are meaningless
        const uint64_t n = static_cast<uint64_t>(std::min(steps, kMaxSteps));
        a = stepFrame(a, n, lastFrame);
        b = stepFrame(b, n, lastFrame);
    }
    frameA = a;
    frameB = b;
    blend = t;
}

void Md3Model::advance(double delta) {
    setFrames(frameA, frameB, static_cast<float>(blend + framesPerSecond * delta));
}

namespace {

// Sends the texture coordinate (when textured) and the blended normal of one
// vertex between two frames; returns its blended position.
std::array<float, 3> sendVertexAttributes(const Md3Vertex& va, const Md3Vertex& vb, const Md3TexCoord& st,
                                          bool textured, float t) {
    if (textured) glTexCoord2f(st.s, st.t);
    const std::array<Vec3, kMd3NormalTableSize>& normals = md3NormalTable();
    const Vec3& na = normals[va.normal[0] * 256 + va.normal[1]];
    const Vec3& nb = normals[vb.normal[0] * 256 + vb.normal[1]];
    glNormal3f(na.x + t * (nb.x - na.x), na.y + t * (nb.y - na.y), na.z + t * (nb.z - na.z));
    std::array<float, 3> p;
    for (int k = 0; k < 3; ++k) {
        const float pa = va.position[k] * kMd3PositionScale;
        const float pb = vb.position[k] * kMd3PositionScale;
        p[k] = pa + t * (pb - pa);
    }
    return p;
}

}  // namespace

void Md3Model::drawFrames(int32_t a, int32_t b, float t, bool drawn) const {
    // A fast-forward step draws no triangle; only the texture coordinate and
    // normal of the last vertex are sent, which is what drawing leaves current.
    const Md3Vertex* lastA = nullptr;
    const Md3Vertex* lastB = nullptr;
    const Md3TexCoord* lastSt = nullptr;
    for (const Md3Surface& surface : surfaces) {
        const int32_t vertexCount = surface.header.vertexCount;
        const int32_t frameCount = surface.header.frameCount;
        if (vertexCount <= 0 || frameCount <= 0) continue;
        const size_t count = static_cast<size_t>(vertexCount);
        if (surface.vertices.size() < count * static_cast<size_t>(frameCount) ||
            surface.texCoords.size() < count)
            continue;
        const Md3Vertex* frameVerticesA = surface.vertices.data() + surfaceFrame(a, frameCount) * count;
        const Md3Vertex* frameVerticesB = surface.vertices.data() + surfaceFrame(b, frameCount) * count;

        for (const Md3Triangle& triangle : surface.triangles) {
            if (drawn) glBegin(GL_TRIANGLES);
            for (int32_t v : triangle.indices) {
                if (v < 0 || v >= vertexCount) continue;  // refused at load; the arrays are public
                if (!drawn) {
                    lastA = &frameVerticesA[v], lastB = &frameVerticesB[v], lastSt = &surface.texCoords[v];
                    continue;
                }
                const std::array<float, 3> p = sendVertexAttributes(frameVerticesA[v], frameVerticesB[v],
                                                                    surface.texCoords[v], textured, t);
                glVertex3f(p[0], p[1], p[2]);
            }
            if (drawn) glEnd();
        }
    }
    if (lastA) sendVertexAttributes(*lastA, *lastB, *lastSt, textured, t);
}

}  // namespace qm
