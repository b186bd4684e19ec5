// scene.h -- a scene: its object tree below a root camera, its load list and 256 event lists.
#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "scene/curve.h"
#include "scene/scene_object.h"
#include "scene/stage.h"
#include "scene/vec3.h"

namespace qm {

class ScriptObserver;

enum class CommandType : int32_t {
    ListHead = 0,
    Select = 1,
    SetCurveTime = 2,
    SetCurveSpeed = 3,
    SetLookAt = 4,
    SetRotation = 5,
    SetRotating = 6,
    SetRotateSpeed = 7,
    SetPosition = 8,
    Trigger = 9,
    SetCurve = 10,
    SetLooping = 11,
    SetEnabled = 12,
    SetVisible = 13,
    SetMoving = 14,
    SetScale = 15,
    SetMinScale = 16,
    SetMaxScale = 17,
    SetScaleSpeed = 18,
};

// One command of a list. Which fields matter depends on the type.
struct Command {
    CommandType type = CommandType::ListHead;
    SceneObject* object = nullptr;  // Select: the object selected; borrowed
    // SetLookAt: the target object's position (borrowed). SetScale, SetMinScale,
    // SetMaxScale, SetScaleSpeed: the values, held in `storage`.
    Vec3* vector = nullptr;
    float x = 0, y = 0, z = 0;     // value commands; single-value ones use x
    bool flag = false;             // switch commands
    const Curve* curve = nullptr;  // SetCurve: owned by the scene (Scene::curves), or null

    // The vector of the four scale commands. A SetScale command hands this very
    // vector to the object, whose scale animation then writes into it; it is
    // freed with the command.
    std::unique_ptr<Vec3> storage;

    // Applies the command to the selected object (not Select, which runList handles).
    void apply(SceneObject& selected) const;
};

// The commands of one list in script order.
class CommandList {
public:
    void append(Command command) { commands_.push_back(std::move(command)); }
    void clear() { commands_.clear(); }
    bool empty() const { return commands_.empty(); }
    size_t size() const { return commands_.size(); }
    const std::vector<Command>& commands() const { return commands_; }

    // Runs the list: a Select changes the selected object (and the stage's), every
    // other command acts on the selected object when there is one.
    void run(Stage& stage) const;

private:
    std::vector<Command> commands_;
};

// A scene's objects: the root camera and everything below it. Owns the tree.
class ObjectTree {
public:
    ObjectTree();

    // With no root the object becomes the root (its init is not run); otherwise it
    // becomes the last child of the root and its init runs. Returns the object.
    SceneObject* add(std::unique_ptr<SceneObject> object);
    // The first object named `text` in tree order, else `fallback`.
    SceneObject* find(std::string_view text, SceneObject* fallback) const;
    void update(const FrameContext& frame);
    void draw(const FrameContext& frame);

    std::unique_ptr<SceneObject> root;
};

class Scene {
public:
    static constexpr int kEventCount = 256;

    // The scene borrows the stage of its run for its whole life.
    explicit Scene(Stage& stage) : stage_(stage) {}
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;
    // Destroys the scenes after this one in the chain too.
    ~Scene();

    // Reads a scene script into the scene (the scene should be the active one:
    // unknown names and kinds fall back to the stage's root), then runs the load list.
    // A file that cannot be opened leaves the scene as it was. Always 0.
    // The observer, when given, hears about every line the reader treats specially.
    int load(std::string_view path, ScriptObserver* observer = nullptr);
    void setName(std::string_view text) { name = std::string(text); }
    // Makes this the active scene: its root camera becomes the stage's root.
    void activate();
    void update(const FrameContext& frame) { objects.update(frame); }
    void draw(const FrameContext& frame) { objects.draw(frame); }
    // Runs event list n; numbers outside 0..255 do nothing.
    void runEvent(int n);

    // Links the scene after the last scene of this chain, then activates it.
    Scene* appendScene(std::unique_ptr<Scene> scene);
    // The first scene of the chain from here whose name is `text`, or null.
    Scene* findByName(std::string_view text);
    // findByName, or this scene when there is none.
    Scene* findOrSelf(std::string_view text);

    Stage& stage() const { return stage_; }

    CommandList loadList;
    std::array<CommandList, kEventCount> eventLists;
    ObjectTree objects;
    std::optional<std::string> name;
    std::unique_ptr<Scene> next;
    Scene* prev = nullptr;  // previous scene of the chain; borrowed

    // Every curve that this scene's scripts have read. Objects follow them through
    // borrowed pointers, possibly after their command has gone (a reload keeps the
    // root camera), so a reload frees only those that no remaining object follows.
    std::vector<std::unique_ptr<Curve>> curves;

private:
    // Before a reload: clears every list and makes sure that nothing still
    // reaches the objects and vectors about to be destroyed.
    void forgetPreviousScript();
    void destroyChainAfter();

    Stage& stage_;
    bool scriptRead_ = false;
};

}  // namespace qm
