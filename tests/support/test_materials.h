// test_materials.h -- fills a material library with small pictures of known colours for kind tests.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "resources/material.h"

namespace qm::test {

using Texel = std::array<uint8_t, 4>;

// Adds a material with a picture of `width` x `height` texels (rows top first),
// nearest filtering and the given colour, uploaded to the current context. The
// first material added fills the library's first record. Returns the record.
Material& addMaterial(MaterialLibrary& library, const std::string& name, int width, int height,
                      const std::vector<Texel>& texels, Color color = {});
// One texel of one colour.
Material& addSolidMaterial(MaterialLibrary& library, const std::string& name, Texel texel, Color color = {});
// 2 x 2: red top left, green top right, blue bottom left, white bottom right.
Material& addQuadrantMaterial(MaterialLibrary& library, const std::string& name);

inline constexpr Texel kRed{255, 0, 0, 255};
inline constexpr Texel kGreen{0, 255, 0, 255};
inline constexpr Texel kBlue{0, 0, 255, 255};
inline constexpr Texel kWhite{255, 255, 255, 255};

}  // namespace qm::test
