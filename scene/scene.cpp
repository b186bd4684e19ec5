// scene.cpp -- scenes, their object trees, command lists and the chain of scenes.
#include "scene/scene.h"

#include <algorithm>
#include <climits>
#include <cmath>

#include "scene/camera.h"

namespace qm {

namespace {

// Visits every object of a tree (the object, its following siblings and all their
// children) without recursion.
template <typename Visit>
void forEachObject(SceneObject* first, Visit visit) {
    std::vector<SceneObject*> pending;
    if (first) pending.push_back(first);
    while (!pending.empty()) {
        SceneObject* chain = pending.back();
        pending.pop_back();
        for (SceneObject* o = chain; o; o = o->next.get()) {
            visit(*o);
            if (o->firstChild) pending.push_back(o->firstChild.get());
        }
    }
}

bool treeContains(SceneObject* root, const SceneObject* wanted) {
    bool found = false;
    if (wanted) forEachObject(root, [&](SceneObject& o) { found = found || &o == wanted; });
    return found;
}

// A trigger value as the integer code it stands for, truncated toward zero; values
// that no int can hold are clamped instead of overflowing.
int triggerCode(float value) {
    if (std::isnan(value)) return 0;
    if (value >= static_cast<float>(INT_MAX)) return INT_MAX;
    if (value <= static_cast<float>(INT_MIN)) return INT_MIN;
    return static_cast<int>(value);
}

}  // namespace

// --- commands ---------------------------------------------------------------

void Command::apply(SceneObject& s) const {
    switch (type) {
        case CommandType::SetCurveTime:
            s.curveTime = x;
            break;
        case CommandType::SetCurveSpeed:
            s.curveSpeed = x;
            break;
        case CommandType::SetLookAt:
            s.lookAtTarget = vector;
            break;
        case CommandType::SetRotation:
            s.rotation.set(x, y, z);
            break;
        case CommandType::SetRotating:
            s.rotating = flag;
            break;
        case CommandType::SetRotateSpeed:
            s.rotateSpeed.set(x, y, z);
            break;
        case CommandType::SetPosition:
            s.position.set(x, y, z);
            break;
        case CommandType::Trigger:
            s.trigger(triggerCode(x));
            break;
        case CommandType::SetCurve:
            s.curveOrigin = s.position;
            s.curve = curve;
            break;
        case CommandType::SetLooping:
            s.looping = flag;
            break;
        case CommandType::SetEnabled:
            s.enabled = flag;
            break;
        case CommandType::SetVisible:
            s.visible = flag;
            break;
        case CommandType::SetMoving:
            s.moving = flag;
            break;
        // The object gets the command's own vector, not a copy: running the list
        // again does not restore the values the scale animation has written.
        case CommandType::SetScale:
            s.scale = vector;
            break;
        case CommandType::SetMinScale:
            if (vector) s.minScale = *vector;
            break;
        case CommandType::SetMaxScale:
            if (vector) s.maxScale = *vector;
            break;
        case CommandType::SetScaleSpeed:
            if (vector) s.scaleSpeed = *vector;
            break;
        default:
            break;  // the list head, Select and unknown types do nothing here
    }
}

void CommandList::run(Stage& stage) const {
    // Commands before the first Select act on whatever a list run before selected,
    // in this scene or another; scripts rely on that.
    SceneObject* selected = stage.selected;
    for (const Command& c : commands_) {
        if (c.type == CommandType::Select) {
            selected = c.object;
            stage.selected = selected;
        } else if (selected) {
            c.apply(*selected);
        }
    }
}

// --- object tree ------------------------------------------------------------

ObjectTree::ObjectTree() : root(std::make_unique<Camera>()) {}

SceneObject* ObjectTree::add(std::unique_ptr<SceneObject> object) {
    if (!object) return nullptr;
    if (!root) {
        root = std::move(object);
        return root.get();
    }
    return root->appendToTree(std::move(object));
}

SceneObject* ObjectTree::find(std::string_view text, SceneObject* fallback) const {
    SceneObject* found = root ? root->findByName(text) : nullptr;
    return found ? found : fallback;
}

void ObjectTree::update(const FrameContext& frame) {
    if (root) root->updateTree(frame);
}

void ObjectTree::draw(const FrameContext& frame) {
    if (root) root->drawTree(frame);
}

// --- scene ------------------------------------------------------------------

Scene::~Scene() {
    destroyChainAfter();
    if (stage_.root && stage_.root == objects.root.get()) stage_.root = nullptr;
    if (treeContains(objects.root.get(), stage_.selected)) stage_.selected = nullptr;
}

void Scene::destroyChainAfter() {
    // One scene at a time, so that a long chain never recurses.
    std::unique_ptr<Scene> rest = std::move(next);
    while (rest) {
        std::unique_ptr<Scene> after = std::move(rest->next);
        rest.reset();
        rest = std::move(after);
    }
}

void Scene::activate() {
    stage_.root = objects.root.get();
}

void Scene::runEvent(int n) {
    if (n < 0 || n >= kEventCount) return;
    eventLists[n].run(stage_);
}

Scene* Scene::appendScene(std::unique_ptr<Scene> scene) {
    if (!scene) return nullptr;
    Scene* last = this;
    while (last->next) last = last->next.get();
    scene->prev = last;
    last->next = std::move(scene);
    last->next->activate();
    return last->next.get();
}

Scene* Scene::findByName(std::string_view text) {
    for (Scene* s = this; s; s = s->next.get())
        if (s->name && *s->name == text) return s;
    return nullptr;
}

Scene* Scene::findOrSelf(std::string_view text) {
    Scene* found = findByName(text);
    return found ? found : this;
}

void Scene::forgetPreviousScript() {
    SceneObject* root = objects.root.get();

    // What is about to go: the objects below the root camera (their positions are
    // look-at targets) and the vectors of the scale commands.
    std::vector<const void*> dying;
    if (root)
        forEachObject(root->firstChild.get(), [&](SceneObject& o) {
            dying.push_back(&o);
            dying.push_back(&o.position);
        });
    auto collect = [&](const CommandList& list) {
        for (const Command& c : list.commands())
            if (c.storage) dying.push_back(c.storage.get());
    };
    collect(loadList);
    for (const CommandList& list : eventLists) collect(list);
    std::sort(dying.begin(), dying.end());
    auto isDying = [&](const void* p) { return p && std::binary_search(dying.begin(), dying.end(), p); };

    if (scriptRead_) {
        // A reload starts from a clean slate: no selection, and the root camera
        // (which stays) forgets what the old text made it look at or scale by.
        stage_.selected = nullptr;
        if (root) {
            root->lookAtTarget = nullptr;
            root->scale = nullptr;
        }
    }
    if (isDying(stage_.selected)) stage_.selected = nullptr;

    // A list run without a Select may have handed these pointers to objects of
    // other scenes of the chain; they must not keep them either.
    Scene* first = this;
    while (first->prev) first = first->prev;
    for (Scene* s = first; s; s = s->next.get()) {
        forEachObject(s->objects.root.get(), [&](SceneObject& o) {
            if (isDying(o.lookAtTarget)) o.lookAtTarget = nullptr;
            if (isDying(o.scale)) o.scale = nullptr;
        });
    }

    loadList.clear();
    for (CommandList& list : eventLists) list.clear();
    if (root) root->firstChild.reset();

    // The old text's curves go too, except those an object that stays still follows
    // (the root camera, or an object of another scene that a list handed one), so
    // that a scene reloaded again and again does not pile them up.
    std::vector<const Curve*> followed;
    for (Scene* s = first; s; s = s->next.get())
        forEachObject(s->objects.root.get(), [&](SceneObject& o) {
            if (o.curve) followed.push_back(o.curve);
        });
    std::sort(followed.begin(), followed.end());
    std::erase_if(curves, [&](const std::unique_ptr<Curve>& c) {
        return !std::binary_search(followed.begin(), followed.end(), c.get());
    });
}

}  // namespace qm
