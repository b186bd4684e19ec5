// kinds.cpp -- the table of object kinds, one row per keyword: the object factory of the scene reader.
#include "scene/object_factory.h"

#include "objects/ball.h"
#include "objects/floor.h"
#include "objects/model.h"
#include "objects/primitives.h"
#include "objects/screen_layers.h"
#include "objects/text.h"
#include "objects/torus_knot.h"
#include "scene/camera.h"
#include "scene/scene.h"

namespace qm {

namespace {

template <typename Kind>
std::unique_ptr<SceneObject> make() {
    return std::make_unique<Kind>();
}

struct KindRow {
    std::string_view keyword;
    std::unique_ptr<SceneObject> (*construct)();
};

// The order of the rows is the order of the tests; each kind adds its own row.
constexpr KindRow kKinds[] = {
    {"camera", &make<Camera>},         {"cube", &make<Cube>},           {"point", &make<Point>},
    {"invcube", &make<InvCube>},       {"vball", &make<VBall>},         {"stdmodel", &make<StdModel>},
    {"chessfloor", &make<ChessFloor>}, {"torusknot", &make<TorusKnot>}, {"background", &make<Background>},
    {"foreground", &make<Foreground>}, {"text", &make<TextObject>},     {"fog", &make<Fog>},
    {"skybox", &make<Skybox>},         {"square", &make<Square>},       {"symbols", &make<Symbols>},
};

const KindRow* findKind(std::string_view kind) {
    for (const KindRow& row : kKinds)
        if (row.keyword == kind) return &row;
    return nullptr;
}

}  // namespace

ObjectFactory::Result ObjectFactory::create(std::string_view kind, std::string_view name) {
    const KindRow* row = findKind(kind);
    if (!row) return {nullptr, sceneRoot};
    Result result{row->construct(), nullptr};
    result.made->setName(name);  // replaces any name the constructor gave
    result.object = result.made.get();
    return result;
}

bool ObjectFactory::knows(std::string_view kind) {
    return findKind(kind) != nullptr;
}

std::vector<std::string_view> ObjectFactory::keywords() {
    std::vector<std::string_view> words;
    for (const KindRow& row : kKinds) words.push_back(row.keyword);
    return words;
}

}  // namespace qm
