// md3_model.h -- MD3 models ("IDP3" version 15): the file records, loading, frame animation and blended
// drawing.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "scene/vec3.h"

namespace qm {

class FileSource;

// The records below mirror the file, all little-endian; the comments give each
// field's byte offset inside its record.

// File header, 108 bytes at offset 0.
struct Md3Header {
    std::array<char, 4> ident{};  //   0  "IDP3"
    int32_t version = 0;          //   4  15
    std::array<char, 64> name{};  //   8  model name
    int32_t flags = 0;            //  72
    int32_t frameCount = 0;       //  76  frames to read
    int32_t tagCount = 0;         //  80  tags per frame
    int32_t surfaceCount = 0;     //  84
    int32_t skinCount = 0;        //  88
    int32_t framesOffset = 0;     //  92  not consulted: the frames follow the header
    int32_t tagsOffset = 0;       //  96  not consulted: the tags follow the frames
    int32_t surfacesOffset = 0;   // 100  not consulted: the first surface follows the tags
    int32_t endOffset = 0;        // 104  not consulted

    bool operator==(const Md3Header&) const = default;
};

// Frame record, 56 bytes; frame count of them follow the header. Kept, not drawn.
struct Md3Frame {
    Vec3 boundsMin;               //   0
    Vec3 boundsMax;               //  12
    Vec3 localOrigin;             //  24
    float radius = 0;             //  36
    std::array<char, 16> name{};  //  40

    bool operator==(const Md3Frame&) const = default;
};

// Tag record, 112 bytes; frame count x tag count of them follow the frames. Kept, not drawn.
struct Md3Tag {
    std::array<char, 64> name{};  //   0
    Vec3 origin;                  //  64
    std::array<Vec3, 3> axis{};   //  76

    bool operator==(const Md3Tag&) const = default;
};

// Surface header, 108 bytes at the surface start P; offsets are from P.
struct Md3SurfaceHeader {
    std::array<char, 4> ident{};  //   0  not checked
    std::array<char, 64> name{};  //   4
    int32_t flags = 0;            //  68
    int32_t frameCount = 0;       //  72  frames in the vertex array
    int32_t shaderCount = 0;      //  76
    int32_t vertexCount = 0;      //  80  per frame; also the number of texture coordinates
    int32_t triangleCount = 0;    //  84
    int32_t trianglesOffset = 0;  //  88
    int32_t shadersOffset = 0;    //  92  not consulted: the shaders follow the surface header
    int32_t texCoordsOffset = 0;  //  96
    int32_t verticesOffset = 0;   // 100
    int32_t endOffset = 0;        // 104  the next surface starts at P + endOffset

    bool operator==(const Md3SurfaceHeader&) const = default;
};

// Shader record, 68 bytes. Kept, not used.
struct Md3Shader {
    std::array<char, 64> name{};  //   0
    int32_t index = 0;            //  64

    bool operator==(const Md3Shader&) const = default;
};

// Triangle record, 12 bytes: three vertex indices.
struct Md3Triangle {
    std::array<int32_t, 3> indices{};

    bool operator==(const Md3Triangle&) const = default;
};

// Texture coordinate record, 8 bytes, one per vertex.
struct Md3TexCoord {
    float s = 0;
    float t = 0;

    bool operator==(const Md3TexCoord&) const = default;
};

// Vertex record, 8 bytes: position in 1/64 units, then the encoded normal
// (two bytes indexing md3NormalTable).
struct Md3Vertex {
    std::array<int16_t, 3> position{};
    std::array<uint8_t, 2> normal{};

    bool operator==(const Md3Vertex&) const = default;
};

struct Md3Surface {
    Md3SurfaceHeader header;
    std::vector<Md3Shader> shaders;
    std::vector<Md3Triangle> triangles;
    std::vector<Md3TexCoord> texCoords;
    // vertexCount x frameCount records; frame f starts at record f x vertexCount.
    std::vector<Md3Vertex> vertices;

    bool operator==(const Md3Surface&) const = default;
};

inline constexpr size_t kMd3HeaderBytes = 108;
inline constexpr size_t kMd3FrameBytes = 56;
inline constexpr size_t kMd3TagBytes = 112;
inline constexpr size_t kMd3SurfaceHeaderBytes = 108;
inline constexpr size_t kMd3ShaderBytes = 68;
inline constexpr size_t kMd3TriangleBytes = 12;
inline constexpr size_t kMd3TexCoordBytes = 8;
inline constexpr size_t kMd3VertexBytes = 8;
inline constexpr int32_t kMd3Version = 15;

// Counts above these are refused as damage: no model made for a demo comes near
// them, and they keep every size computed from the counts far from overflow.
inline constexpr int32_t kMd3MaxFrames = 4096;
inline constexpr int32_t kMd3MaxTags = 256;
inline constexpr int32_t kMd3MaxSurfaces = 256;
inline constexpr int32_t kMd3MaxShaders = 256;
inline constexpr int32_t kMd3MaxVertices = 65536;
inline constexpr int32_t kMd3MaxTriangles = 131072;

// Positions are stored in 1/64 units.
inline constexpr float kMd3PositionScale = 1.0f / 64.0f;

// Results of Md3Model::load.
inline constexpr int32_t kMd3Loaded = 1;
inline constexpr int32_t kMd3CannotOpen = -1;
inline constexpr int32_t kMd3NotVersion15 = -2;
// The file starts like an MD3 of version 15 but a count, offset or index in it
// does not fit the file or its own arrays.
inline constexpr int32_t kMd3Damaged = -3;

// Unit normals for the two normal bytes (p, q) of a vertex at entry p x 256 + q:
// with a = p x 2 pi / 255 and b = q x 2 pi / 255, (sin a cos b, sin a sin b, cos a).
inline constexpr int kMd3NormalTableSize = 256 * 256;
// Worked out once, at the first call; constant from then on.
const std::array<Vec3, kMd3NormalTableSize>& md3NormalTable();

class Md3Model {
public:
    Md3Model();

    // Reads the file at `path` (a script path) from `files` and returns kMd3Loaded
    // or one of the negative codes. Whatever the model held before is released
    // first; a model whose load fails stays empty and draws nothing.
    int32_t load(std::string_view path, FileSource& files);
    // The same for a file image already in memory (`path` is left as it is).
    int32_t parse(std::string_view bytes);
    // Why the last load failed, in a few words; empty after a successful load.
    const std::string& problem() const { return problem_; }

    // Stores the frame pair and blend; a blend above 1 steps both frames on by
    // whole frames (wrapping to 0 after lastFrame) until it is at most 1.
    void setFrames(int32_t a, int32_t b, float t);
    // Moves the blend on by framesPerSecond x `delta` (the frame's duration).
    void advance(double delta);

    // Draws every surface blended between frames a and b with weight t on b. In a
    // frame that is not drawn no triangle is sent, only what they would leave current.
    void drawFrames(int32_t a, int32_t b, float t, bool drawn = true) const;
    void draw(bool drawn = true) const { drawFrames(frameA, frameB, blend, drawn); }

    // Frees the path, the records and the surfaces; the model is empty afterwards.
    void release();

    int32_t frameA = 0;
    int32_t frameB = 0;
    float blend = 0;
    int32_t framesPerSecond = 25;
    std::string path;
    Md3Header header;  // as read
    std::vector<Md3Frame> frameRecords;
    std::vector<Md3Tag> tagRecords;  // frame count x tag count
    std::vector<Md3Surface> surfaces;
    bool textured = true;  // send each vertex's texture coordinates
    // The header's frame count less one once a load succeeded; -1 while the
    // model has no frames.
    int32_t lastFrame = -1;

private:
    void clearContents();
    int32_t fail(int32_t code, std::string reason);

    std::string problem_;
};

}  // namespace qm
