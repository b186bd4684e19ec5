// scene_object.h -- the base of everything drawn in a scene: placement, animations, tree links.
#pragma once

#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "base/frame_clock.h"
#include "scene/curve.h"
#include "scene/vec3.h"

namespace qm {

// An object of a scene's tree. The children of an object form a chain through
// `next` starting at `firstChild`; `prev` points back along the chain, and the
// first child's `prev` is the parent itself. An object owns the siblings after it
// and its children; `scale`, `lookAtTarget` and `curve` are borrowed.
class SceneObject {
public:
    SceneObject() = default;
    SceneObject(const SceneObject&) = delete;
    SceneObject& operator=(const SceneObject&) = delete;
    virtual ~SceneObject();

    // The six operations through which a scene drives every kind, in slot order.
    // The frame step's time, delta and whether it is drawn come as a parameter.
    virtual void init() {}
    virtual void transform(const FrameContext& frame);
    virtual void draw(const FrameContext& frame) = 0;
    virtual void update(const FrameContext& frame) = 0;
    virtual void load(std::string_view text) = 0;
    virtual void trigger(int code) = 0;

    void setName(std::string_view text) { name = std::string(text); }
    bool hasName(std::string_view text) const { return name && *name == text; }

    // The draw and update walks over this object, its following siblings and
    // all their children.
    void drawTree(const FrameContext& frame);
    void updateTree(const FrameContext& frame);
    void applyLookAt();

    // First object named `text`: this one, then (recursively) the following
    // sibling, then (recursively) the first child. Null when there is none.
    SceneObject* findByName(std::string_view text);

    // Called on a root: appends a child of the root. Called on any other object:
    // appends a sibling at the end of that object's chain. Then runs its init.
    SceneObject* appendToTree(std::unique_ptr<SceneObject> object);

    // Advances `rotation` by `rotateSpeed` x `delta` and wraps each angle into (0, 360].
    void advanceSpin(double delta);

    Vec3 position;
    Vec3 rotation;          // degrees about x, y and z
    Vec3* scale = nullptr;  // borrowed from the scale command that set it
    Vec3 maxScale;
    Vec3 minScale;
    Vec3 scaleSpeed;
    Vec3 rotateSpeed;
    Vec3 curveOrigin;
    bool rotating = false;
    bool visible = true;
    bool enabled = true;
    Vec3* lookAtTarget = nullptr;  // another object's position; borrowed
    const Curve* curve = nullptr;  // borrowed; owned by the scene's commands
    float curveSpeed = 0;
    float curveTime = 0;
    bool looping = false;
    bool moving = true;

    std::unique_ptr<SceneObject> next;
    SceneObject* prev = nullptr;
    std::unique_ptr<SceneObject> firstChild;
    std::optional<std::string> name;

    // Walks stop descending below this depth; OpenGL's matrix stack guarantees
    // only 32 levels, so no real scene comes near it.
    static constexpr int kMaxTreeDepth = 256;

private:
    void drawTreeAt(const FrameContext& frame, int depth);
    void updateTreeAt(const FrameContext& frame, int depth);
};

// Degrees per radian as the system has always computed it: 180 / pi in single precision.
inline constexpr double kDegreesPerRadian = 57.29577791868205;

}  // namespace qm
