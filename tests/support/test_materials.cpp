// test_materials.cpp -- materials with known pictures, added straight to the global library.
#include "support/test_materials.h"

#include <memory>

namespace qm::test {

Material& addMaterial(const std::string& name, int width, int height, const std::vector<Texel>& texels,
                      Color color) {
    Material* record = &materialLibrary.head();
    if (record->name) {
        auto fresh = std::make_unique<Material>();
        record = fresh.get();
        materialLibrary.head().appendToChain(std::move(fresh));
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

Material& addSolidMaterial(const std::string& name, Texel texel, Color color) {
    return addMaterial(name, 1, 1, {texel}, color);
}

Material& addQuadrantMaterial(const std::string& name) {
    return addMaterial(name, 2, 2, {kRed, kGreen, kBlue, kWhite});
}

}  // namespace qm::test
