// torus_knot.h -- the "torusknot" kind: a pulsing tube along a knot, rebuilt every frame.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "objects/kinds.h"
#include "objects/normal_vertex.h"
#include "scene/scene_object.h"
#include "scene/vec3.h"

namespace qm {

class Material;

class TorusKnot : public SceneObject {
public:
    static constexpr int kVertexCapacity = 8888;
    static constexpr int kPointCapacity = 202;
    static constexpr int kBands = 201;        // bands of the tube, one ring each
    static constexpr int kRingSteps = 20;     // vertex pairs around the tube
    static constexpr int kCurvePoints = 200;  // points 0..199 are used; indices wrap at 200
    static constexpr int kVertexCount = kBands * kRingSteps * 2;  // 8,040

    explicit TorusKnot(KindContext& kinds) : kinds_(kinds) {}

    void init() override;
    void draw(const FrameContext& frame) override;
    // Writes the mesh's trace lines in a drawn frame while the run's trace is on.
    void update(const FrameContext& frame) override;
    void load(std::string_view text) override;
    void trigger(int code) override;

    std::vector<NormalVertex> vertices;
    std::vector<Vec3> knotPoints;
    const Material* material = nullptr;  // borrowed from the material library
    float knotP = 2.0f;
    float knotQ = 1.0f;
    float targetP = 2.0f;
    float targetQ = 1.0f;
    float swell = 0;
    float phase = 0;

    // The trace text of the last update (16,080 lines), as written to the trace.
    const std::string& lastTrace() const { return trace_; }

private:
    // What the mesh is built from: the knot's state at its last update.
    struct Shape {
        float p, q, phase, swell;
    };
    // Curve, tube and, when asked, the trace text, from meshShape_.
    void buildMesh(bool withTrace);

    KindContext& kinds_;
    bool meshBuilt_ = false;  // a knot drawn before its first update has no mesh yet
    bool meshStale_ = false;  // meshShape_ is newer than the mesh (a fast-forward step)
    Shape meshShape_{};
    std::string trace_;  // reused every frame: nothing is allocated once it has grown
    std::array<std::string, kCurvePoints> traceChunks_;
};

}  // namespace qm
