// ball.h -- the "vball" kind: a lit wobbling ball with a wire line and three glow shells.
#pragma once

#include <vector>

#include "objects/kinds.h"
#include "objects/normal_vertex.h"
#include "scene/scene_object.h"

namespace qm {

// The animation phases are the run's (KindContext::ballPhases), shared by every ball.
class VBall : public SceneObject {
public:
    static constexpr int kCapacity = 7500;

    explicit VBall(KindContext& kinds) : kinds_(kinds) {}

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext& frame) override;
    void load(std::string_view) override {}
    void trigger(int code) override;

    int vertexCount() const { return 2 * rings * segments; }

    std::vector<NormalVertex> vertices;
    int rings = 50;
    int segments = 50;
    float wobble = 0;
    bool wobbling = false;

private:
    // What the mesh is built from: the phases and wobble of the last update.
    struct Shape {
        float phaseA, phaseB, wobble;
    };
    void buildMesh();

    KindContext& kinds_;
    bool meshBuilt_ = false;  // a ball drawn before its first update has no mesh yet
    bool meshStale_ = false;  // meshShape_ is newer than the mesh (a fast-forward step)
    Shape meshShape_{};
};

}  // namespace qm
