// material.h -- named texture-plus-colour records and the library read from the materials script.
#pragma once

#include <string_view>

namespace qm {

class MaterialLibrary {
public:
    void load(std::string_view) {}
};

extern MaterialLibrary materialLibrary;

}  // namespace qm
