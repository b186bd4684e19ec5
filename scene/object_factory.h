// object_factory.h -- turns the kind keyword of a "new" line into a new scene object (the table is in
// objects/).
#pragma once

#include <memory>
#include <string_view>
#include <vector>

#include "scene/scene_object.h"

namespace qm {

class ObjectFactory {
public:
    struct Result {
        // The new object, named `name`, not yet in any tree: the caller attaches
        // it, and the tree then owns it. Null when the kind is unknown.
        std::unique_ptr<SceneObject> made;
        // The object the script's block acts on: the new object, or for an
        // unknown kind `sceneRoot` (borrowed, already in its tree, unrenamed;
        // it must not be attached again). May be null when no scene is active.
        SceneObject* object = nullptr;
    };

    // Compares `kind` exactly (case-sensitive) with each keyword in table order.
    static Result create(std::string_view kind, std::string_view name);
    static bool knows(std::string_view kind);
    // Every kind keyword, in table order.
    static std::vector<std::string_view> keywords();
};

}  // namespace qm
