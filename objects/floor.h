// floor.h -- the "chessfloor" kind: a lit, textured floor whose ripples spread from drops.
#pragma once

#include <vector>

#include "objects/kinds.h"
#include "objects/normal_vertex.h"
#include "scene/scene_object.h"
#include "scene/vec3.h"

namespace qm {

class Material;

class ChessFloor : public SceneObject {
public:
    static constexpr int kGrid = 75;                  // grid points per side
    static constexpr int kStripVertices = 2 * kGrid;  // 150
    static constexpr int kDrawnStrips = kGrid - 1;    // strips 0..73
    static constexpr double kDropSeconds = 0.15;

    explicit ChessFloor(KindContext& kinds) : kinds_(kinds) {}

    void init() override;
    void draw(const FrameContext& frame) override;
    void update(const FrameContext& frame) override;
    void load(std::string_view text) override;
    void trigger(int code) override;

    // Height grids, element row * 75 + column.
    Vec3& currentPoint(int row, int column) { return current[row * kGrid + column]; }
    Vec3& previousPoint(int row, int column) { return previous[row * kGrid + column]; }

    std::vector<NormalVertex> vertices;
    int dropColumn = 0;
    int dropRow = 0;
    std::vector<Vec3> previous;
    std::vector<Vec3> current;
    const Material* material = nullptr;  // borrowed from the material library
    double dropTime = 0;
    bool dropActive = false;
    float texOffsetU = 0;
    float texOffsetV = 0;
    float scrollU = 2.0f;
    float scrollV = 2.0f;

private:
    void stepWave(double delta);
    void computeNormals();
    void copyPositions();

    KindContext& kinds_;
};

}  // namespace qm
