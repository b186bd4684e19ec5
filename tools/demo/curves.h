// curves.h -- the demo's motion paths and the 2564-byte curve record they are written as.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "scene/vec3.h"

namespace qm::demo {

// One key of a path: a point and the offsets to its two Bezier control points.
struct PathKey {
    Vec3 point;
    Vec3 inHandle;
    Vec3 outHandle;
};

struct NamedPath {
    std::string fileName;       // below data/
    std::vector<PathKey> keys;  // segment count + 1 keys
};

constexpr int kCurveMaxKeys = 64;
constexpr int kCurveKeySize = 40;
constexpr int kCurveRecordSize = 4 + kCurveMaxKeys * kCurveKeySize;  // 2564

// The record: int32 segment count, then 64 keys of three little-endian float vectors and
// 4 reserved bytes; unused keys are zero. Empty when the path has no keys or more than 64.
std::vector<uint8_t> encodeCurve(const std::vector<PathKey>& keys);

// The camera and object paths the scene scripts name.
std::vector<NamedPath> demoPaths();

}  // namespace qm::demo
