// ball.h -- the "vball" kind: a lit wobbling ball with a wire line and three glow shells.
#pragma once

#include <vector>

#include "objects/normal_vertex.h"
#include "scene/scene_object.h"

namespace qm {

// The three animation phases are shared by every ball, so each ball's update
// advances them all: two balls in a scene animate twice as fast.
struct BallPhases {
    float a = 0;       // ballPhaseA
    float b = 0;       // ballPhaseB
    float wobble = 0;  // wobblePhase
};
extern BallPhases ballPhases;

class VBall : public SceneObject {
public:
    static constexpr int kCapacity = 7500;

    void init() override;
    void draw() override;
    void update() override;
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

    bool meshBuilt_ = false;  // a ball drawn before its first update has no mesh yet
    bool meshStale_ = false;  // meshShape_ is newer than the mesh (a fast-forward step)
    Shape meshShape_{};
};

}  // namespace qm
