// kinds.cpp -- the table of object kinds, one row per keyword: the object factory of the scene reader.
#include "objects/kinds.h"

#include <type_traits>

#include "objects/ball.h"
#include "objects/floor.h"
#include "objects/model.h"
#include "objects/primitives.h"
#include "objects/screen_layers.h"
#include "objects/text.h"
#include "objects/torus_knot.h"
#include "scene/camera.h"

namespace qm {

namespace {

// Kinds that look up materials, the font, the root camera or the ball phases take
// the run's context; the others need nothing.
template <typename Kind>
std::unique_ptr<SceneObject> make(KindContext& kinds) {
    if constexpr (std::is_constructible_v<Kind, KindContext&>)
        return std::make_unique<Kind>(kinds);
    else
        return std::make_unique<Kind>();
}

struct KindRow {
    std::string_view keyword;
    std::unique_ptr<SceneObject> (*construct)(KindContext&);
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

std::unique_ptr<SceneObject> KindTable::create(std::string_view kind, std::string_view name) {
    const KindRow* row = findKind(kind);
    if (!row) return nullptr;
    std::unique_ptr<SceneObject> made = row->construct(kinds_);
    made->setName(name);  // replaces any name the constructor gave
    return made;
}

bool KindTable::knows(std::string_view kind) {
    return findKind(kind) != nullptr;
}

std::vector<std::string_view> KindTable::keywords() {
    std::vector<std::string_view> words;
    for (const KindRow& row : kKinds) words.push_back(row.keyword);
    return words;
}

}  // namespace qm
