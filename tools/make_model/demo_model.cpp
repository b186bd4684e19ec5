// demo_model.cpp -- geometry, texture coordinates, normals and frames of the bundled demo's model.
#include "make_model/demo_model.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>
#include <numbers>

namespace qm::demomodel {

namespace {

constexpr double kPi = std::numbers::pi;

struct V {
    double x = 0, y = 0, z = 0;
};
V operator-(V a, V b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}
V operator*(V a, double s) {
    return {a.x * s, a.y * s, a.z * s};
}
V cross(V a, V b) {
    return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
double length(V a) {
    return std::sqrt(a.x * a.x + a.y * a.y + a.z * a.z);
}
Vec3 toVec3(V a) {
    return {static_cast<float>(a.x), static_cast<float>(a.y), static_cast<float>(a.z)};
}

// A surface given by a point function over (u, v) in [0, 1]^2 whose partial
// derivatives' cross product points outwards.
using Patch = std::function<V(double u, double v)>;

// Body: a pod whose three lobes turn once per loop while it breathes.
constexpr int kBodyRings = 16;  // from the top pole (u = 0) to the bottom pole (u = 1)
constexpr int kBodySegments = 32;
constexpr double kBodyRadius = 1.6;

// Ring: a torus tilted off the pod's axis; its tilt direction turns once per loop.
constexpr int kRingSegments = 48;  // around the ring (u)
constexpr int kRingSides = 12;     // around the tube (v)
constexpr double kRingRadius = 2.6;
constexpr double kTubeRadius = 0.22;
constexpr double kRingTilt = 25.0 * kPi / 180.0;

Patch bodyAt(double phase) {
    return [phase](double u, double v) {
        const double theta = u * kPi, phi = v * 2 * kPi;
        const double s = std::sin(theta);
        const double r =
            kBodyRadius * (1 + 0.08 * std::sin(phase) + 0.12 * s * s * std::sin(3 * phi - phase));
        const double stretch = 1.2 + 0.08 * std::cos(phase);
        return V{r * s * std::cos(phi), r * s * std::sin(phi), r * stretch * std::cos(theta)};
    };
}

Patch ringAt(double phase) {
    return [phase](double u, double v) {
        const double a = u * 2 * kPi, b = v * 2 * kPi;
        const V p{(kRingRadius + kTubeRadius * std::cos(b)) * std::cos(a),
                  (kRingRadius + kTubeRadius * std::cos(b)) * std::sin(a), kTubeRadius * std::sin(b)};
        // Tilt about x, then turn the tilted ring about z.
        const V tilted{p.x, p.y * std::cos(kRingTilt) - p.z * std::sin(kRingTilt),
                       p.y * std::sin(kRingTilt) + p.z * std::cos(kRingTilt)};
        return V{tilted.x * std::cos(phase) - tilted.y * std::sin(phase),
                 tilted.x * std::sin(phase) + tilted.y * std::cos(phase), tilted.z};
    };
}

// The outward normal from central differences; at a pole, where one derivative
// vanishes, the direction of the point from the axis's centre.
V normalAt(const Patch& patch, double u, double v) {
    constexpr double h = 1e-5;
    const V du = patch(std::min(u + h, 1.0), v) - patch(std::max(u - h, 0.0), v);
    const V dv = patch(u, v + h) - patch(u, v - h);
    V n = cross(du, dv);
    double len = length(n);
    if (len < 1e-12) {
        n = patch(u, v);
        n = {0, 0, n.z};
        len = length(n);
    }
    return len > 0 ? n * (1 / len) : V{0, 0, 1};
}

// A grid of (rows + 1) x (columns + 1) vertices; each cell becomes two
// triangles wound clockwise seen from outside. Cells whose corner collapses onto
// a pole lose the triangle that would have no area.
md3write::Surface gridSurface(const char* name, const char* shader, int rows, int columns, bool poles,
                              double sRepeat, double tRepeat, const std::function<Patch(double)>& patchAt) {
    md3write::Surface s;
    s.name = name;
    s.frameCount = kFrames;
    s.shaders.push_back({md3write::fixedName<64>(shader), 0});
    const int stride = columns + 1;
    for (int i = 0; i <= rows; ++i)
        for (int j = 0; j <= columns; ++j)
            s.texCoords.push_back(
                {static_cast<float>(sRepeat * j / columns), static_cast<float>(tRepeat * i / rows)});
    for (int i = 0; i < rows; ++i) {
        for (int j = 0; j < columns; ++j) {
            const int a = i * stride + j, b = (i + 1) * stride + j, c = (i + 1) * stride + j + 1,
                      d = i * stride + j + 1;
            if (!(poles && i == rows - 1)) s.triangles.push_back({{a, c, b}});
            if (!(poles && i == 0)) s.triangles.push_back({{a, d, c}});
        }
    }
    for (int f = 0; f < kFrames; ++f) {
        const Patch patch = patchAt(2 * kPi * f / kFrames);
        for (int i = 0; i <= rows; ++i) {
            for (int j = 0; j <= columns; ++j) {
                const double u = double(i) / rows, v = double(j) / columns;
                s.vertices.push_back(
                    md3write::makeVertex(toVec3(patch(u, v)), toVec3(normalAt(patch, u, v))));
            }
        }
    }
    return s;
}

Md3Frame frameRecord(const md3write::Model& model, int f) {
    Md3Frame frame;
    frame.boundsMin = {1e9f, 1e9f, 1e9f};
    frame.boundsMax = {-1e9f, -1e9f, -1e9f};
    for (const md3write::Surface& s : model.surfaces) {
        const size_t count = s.texCoords.size();
        for (size_t k = 0; k < count; ++k) {
            const Md3Vertex& v = s.vertices[f * count + k];
            const Vec3 p{v.position[0] * kMd3PositionScale, v.position[1] * kMd3PositionScale,
                         v.position[2] * kMd3PositionScale};
            frame.boundsMin = {std::min(frame.boundsMin.x, p.x), std::min(frame.boundsMin.y, p.y),
                               std::min(frame.boundsMin.z, p.z)};
            frame.boundsMax = {std::max(frame.boundsMax.x, p.x), std::max(frame.boundsMax.y, p.y),
                               std::max(frame.boundsMax.z, p.z)};
            frame.radius = std::max(frame.radius, std::sqrt(p.x * p.x + p.y * p.y + p.z * p.z));
        }
    }
    char name[16];
    std::snprintf(name, sizeof name, "pulse %02d", f);
    frame.name = md3write::fixedName<16>(name);
    return frame;
}

}  // namespace

md3write::Model build() {
    md3write::Model model;
    model.name = "quillmoor seed pod";
    model.surfaces.push_back(gridSurface("pod", "pod", kBodyRings, kBodySegments, true, 2, 1, bodyAt));
    model.surfaces.push_back(gridSurface("ring", "ring", kRingSegments, kRingSides, false, 1, 8, ringAt));
    model.tagsPerFrame = 1;
    for (int f = 0; f < kFrames; ++f) {
        model.frames.push_back(frameRecord(model, f));
        // The ring's axes: its own x, y and z after the tilt and the turn.
        const double phase = 2 * kPi * f / kFrames;
        const double c = std::cos(phase), s = std::sin(phase), ct = std::cos(kRingTilt),
                     st = std::sin(kRingTilt);
        Md3Tag tag;
        tag.name = md3write::fixedName<64>("tag_ring");
        tag.axis = {toVec3({c, s, 0}), toVec3({-s * ct, c * ct, st}), toVec3({s * st, -c * st, ct})};
        model.tags.push_back(tag);
    }
    return model;
}

}  // namespace qm::demomodel
