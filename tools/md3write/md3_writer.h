// md3_writer.h -- builds MD3 files from surfaces, frames and tags, with layout options that produce odd
// files.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "resources/md3_model.h"
#include "scene/vec3.h"

namespace qm::md3write {

struct Surface {
    std::string name;
    int32_t flags = 0;
    int32_t frameCount = 1;  // frames held in `vertices`
    std::vector<Md3Shader> shaders;
    std::vector<Md3Triangle> triangles;
    std::vector<Md3TexCoord> texCoords;  // one per vertex: their number is the vertex count
    std::vector<Md3Vertex> vertices;     // frameCount x vertex count, frame after frame
};

struct Model {
    std::string name;
    int32_t flags = 0;
    int32_t skinCount = 0;
    std::vector<Md3Frame> frames;
    int32_t tagsPerFrame = 0;
    std::vector<Md3Tag> tags;  // frames x tagsPerFrame, frame after frame
    std::vector<Surface> surfaces;
};

// Where the blocks of each surface go. The defaults give the packed layout:
// surface header, shaders, triangles, texture coordinates, vertices.
struct Layout {
    int gapBytes = 0;            // filler before each of the triangles, texture coordinates and vertices
    bool verticesFirst = false;  // vertices, then texture coordinates, then triangles
    int tailBytes = 0;           // filler at the end of each surface, inside its end offset
    unsigned char filler = 0xA5;
};

struct Encoded {
    std::string bytes;
    std::vector<size_t> surfaceStarts;  // file offset of each surface header
};

// The file image. Header and surface counts come from the vectors' sizes; the
// header's offsets and each surface's block offsets describe the layout written.
Encoded encode(const Model& model, const Layout& layout = {});
// Writes the image to `path`; false when it cannot be written.
bool writeFile(const std::string& path, const Model& model, const Layout& layout = {});

// The normal bytes whose table entry is nearest to the direction of `normal`.
std::array<uint8_t, 2> encodeNormal(Vec3 normal);
// A coordinate in 1/64 units, rounded and held to the int16 range.
int16_t encodePosition(float coordinate);
Md3Vertex makeVertex(Vec3 position, Vec3 normal);

// A fixed-size name field: the text cut to N - 1 characters, zero-filled.
template <size_t N>
std::array<char, N> fixedName(std::string_view text) {
    std::array<char, N> field{};
    for (size_t i = 0; i < text.size() && i + 1 < N; ++i) field[i] = text[i];
    return field;
}

}  // namespace qm::md3write
