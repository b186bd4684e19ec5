// object_factory.h -- turns the kind keyword of a "new" line into a new scene object; the object kinds
// implement it.
#pragma once

#include <memory>
#include <string_view>

#include "scene/scene_object.h"

namespace qm {

// The scene reader knows the kinds only through this interface; the table of kinds
// (objects/kinds.h) implements it for a run.
class ObjectFactory {
public:
    virtual ~ObjectFactory() = default;
    // A new object of kind `kind` (compared exactly, case-sensitive), named `name`,
    // not yet in any tree: the caller attaches it, and the tree then owns it. Null
    // when the kind is unknown.
    virtual std::unique_ptr<SceneObject> create(std::string_view kind, std::string_view name) = 0;
};

}  // namespace qm
