// curves.cpp -- camera and object paths for the demo's scenes, made from parametric
// functions whose derivatives give the Bezier handles, and their curve records.
#include "tools/demo/curves.h"

#include <cmath>
#include <cstring>
#include <functional>

namespace qm::demo {

namespace {

constexpr float kTwoPi = 6.2831853f;

using PathFunction = std::function<Vec3(float)>;

Vec3 sub(const Vec3& a, const Vec3& b) {
    return {a.x - b.x, a.y - b.y, a.z - b.z};
}

// Keys at evenly spaced parameters a = 0 .. 1. A cubic Bezier segment whose handles are a
// third of the derivative times the parameter step follows the function closely; it is
// what makes the segments meet smoothly. A closed path ends exactly on its first point.
std::vector<PathKey> sampleFunction(const PathFunction& f, int segments, bool closed) {
    std::vector<PathKey> keys;
    const float step = 1.0f / float(segments);
    const float h = 1e-3f;
    for (int k = 0; k <= segments; ++k) {
        const float a = float(k) * step;
        const Vec3 derivative = sub(f(a + h), f(a - h)).scaled(1.0f / (2.0f * h));
        const Vec3 handle = derivative.scaled(step / 3.0f);
        keys.push_back({f(a), handle.scaled(-1.0f), handle});
    }
    if (closed) {
        keys.back() = keys.front();
    }
    return keys;
}

// A closed path through waypoints with Catmull-Rom tangents.
std::vector<PathKey> throughPoints(const std::vector<Vec3>& points) {
    std::vector<PathKey> keys;
    const size_t n = points.size();
    for (size_t k = 0; k <= n; ++k) {
        const Vec3& previous = points[(k + n - 1) % n];
        const Vec3& next = points[(k + 1) % n];
        const Vec3 handle = sub(next, previous).scaled(1.0f / 6.0f);
        keys.push_back({points[k % n], handle.scaled(-1.0f), handle});
    }
    return keys;
}

void putBytes(std::vector<uint8_t>& out, uint32_t v) {
    for (int i = 0; i < 4; ++i) out.push_back(uint8_t((v >> (8 * i)) & 0xff));
}

void putFloat(std::vector<uint8_t>& out, float f) {
    uint32_t bits;
    std::memcpy(&bits, &f, sizeof bits);
    putBytes(out, bits);
}

void putVec3(std::vector<uint8_t>& out, const Vec3& v) {
    putFloat(out, v.x);
    putFloat(out, v.y);
    putFloat(out, v.z);
}

// The knot scene: the camera circles the knot at 120 units, rising and sinking twice a turn.
Vec3 knotLoop(float a) {
    const float t = a * kTwoPi;
    return {120.0f * std::cos(t), 25.0f + 30.0f * std::sin(2.0f * t), 120.0f * std::sin(t)};
}

// The floor scene: the cubes weave a figure eight over the middle of the floor.
Vec3 figureEight(float a) {
    const float t = a * kTwoPi;
    return {70.0f * std::sin(t), 6.0f * std::cos(2.0f * t), 35.0f * std::sin(2.0f * t)};
}

// The model scene: one and a half turns down a narrowing spiral towards the models.
Vec3 descent(float a) {
    const float t = a * 1.5f * kTwoPi;
    const float radius = 150.0f - 80.0f * a;
    const float height = 160.0f - 140.0f * a * a * (3.0f - 2.0f * a);
    return {radius * std::sin(t), height, radius * std::cos(t)};
}

// The finale: things arrive from far ahead with a lazy S and settle at the path's origin.
Vec3 approach(float a) {
    const float ease = 1.0f - (1.0f - a) * (1.0f - a) * (1.0f - a);
    return {40.0f * std::sin(a * kTwoPi) * (1.0f - a), 30.0f * (1.0f - ease), -400.0f * (1.0f - ease)};
}

}  // namespace

std::vector<uint8_t> encodeCurve(const std::vector<PathKey>& keys) {
    if (keys.empty() || keys.size() > size_t(kCurveMaxKeys)) return {};
    std::vector<uint8_t> out;
    out.reserve(kCurveRecordSize);
    putBytes(out, uint32_t(keys.size() - 1));
    for (int k = 0; k < kCurveMaxKeys; ++k) {
        const PathKey key = size_t(k) < keys.size() ? keys[size_t(k)] : PathKey{};
        putVec3(out, key.point);
        putVec3(out, key.inHandle);
        putVec3(out, key.outHandle);
        putBytes(out, 0);  // reserved
    }
    return out;
}

std::vector<NamedPath> demoPaths() {
    return {
        {"knotloop.crv", sampleFunction(knotLoop, 8, true)},
        {"figure8.crv", sampleFunction(figureEight, 8, true)},
        // The floor scene: the camera sweeps in low over the floor, banks round and climbs out.
        {"flyover.crv", throughPoints({{0, 70, 240},
                                       {90, 35, 120},
                                       {70, 28, -20},
                                       {-30, 32, -130},
                                       {-150, 60, -90},
                                       {-140, 85, 110}})},
        {"descent.crv", sampleFunction(descent, 9, false)},
        {"approach.crv", sampleFunction(approach, 4, false)},
    };
}

}  // namespace qm::demo
