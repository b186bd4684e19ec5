// overlay.h -- the full-screen layer of flashes and fades drawn over every frame.
#pragma once

#include "scene/scene_object.h"

namespace qm {

class Overlay : public SceneObject {
public:
    void reset() {}
    void init() override { reset(); }
    void draw() override {}
    void update() override {}
    void load(std::string_view) override {}
    void trigger(int) override {}
};

extern Overlay overlay;

}  // namespace qm
