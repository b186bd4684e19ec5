// test_materials.cpp -- materials with known pictures, added straight to a library.
#include "support/test_materials.h"

#include <memory>

namespace qm::test {

Material& addMaterial(MaterialLibrary& library, const std::string& name, int width, int height,
                      const std::vector<Texel>& texels, Color color) {
    Material* record = &library.head();
    if (record->name) {
        auto fresh = std::make_unique<Material>();
        record = fresh.get();
        library.head().appendToChain(std::move(fresh));
    }
    record->name = name;
    record->color = color;
    Texture& texture = record->texture;
    texture.width = width;
    texture.height = height;
    texture.pixels.clear();
    for (const Texel& t : texels) texture.pixels.insert(texture.pixels.end(), t.begin(), t.end());
    texture.setFilter(gl::kNearest, gl::kNearest);
    texture.upload();
    return *record;
}

Material& addSolidMaterial(MaterialLibrary& library, const std::string& name, Texel texel, Color color) {
    return addMaterial(library, name, 1, 1, {texel}, color);
}

Material& addQuadrantMaterial(MaterialLibrary& library, const std::string& name) {
    return addMaterial(library, name, 2, 2, {kRed, kGreen, kBlue, kWhite});
}

}  // namespace qm::test
