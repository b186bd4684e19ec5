// camera.h -- the camera: the root of every scene's tree, whose transform sets up the view.
#pragma once

#include "scene/scene_object.h"

namespace qm {

// A camera's transform is the inverse of an object's placement, so drawing a tree
// from its root camera shows every object below it as seen from the camera. With
// all angles 0 it looks along -z; y is yaw, x is pitch, z is roll.
class Camera : public SceneObject {
public:
    Camera() { setName("Camera"); }

    void transform(const FrameContext& frame) override;
    void draw(const FrameContext&) override {}
    void update(const FrameContext&) override {}
    void load(std::string_view) override {}
    void trigger(int) override {}
};

}  // namespace qm
