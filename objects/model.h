// model.h -- the "stdmodel" kind: an animated MD3 model drawn with a material, textured or reflective.
#pragma once

#include "objects/kinds.h"
#include "resources/md3_model.h"
#include "scene/scene_object.h"

namespace qm {

class Material;

class StdModel : public SceneObject {
public:
    explicit StdModel(KindContext& kinds);

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext& frame) override { model.advance(frame.delta); }
    // "file[,material[,frames per second[,reflective]]]"
    void load(std::string_view text) override;
    void trigger(int) override {}

    bool reflective = false;  // sphere-mapped coordinates instead of the model's own
    Md3Model model;
    const Material* material = nullptr;  // borrowed from the material library

private:
    KindContext& kinds_;
};

}  // namespace qm
