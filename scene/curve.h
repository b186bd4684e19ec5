// curve.h -- motion curves: a fixed record of cubic Bezier keys read from a curve file.
#pragma once

#include <array>
#include <cstdint>
#include <string_view>

#include "scene/vec3.h"

namespace qm {

class FileSource;

struct CurveKey {
    Vec3 point;      // the key's position
    Vec3 inHandle;   // offset to the control point before the key
    Vec3 outHandle;  // offset to the control point after the key
};

// The curve file is the record itself: a little-endian int32 segment count and
// 64 keys of 40 bytes (three Vec3 and 4 reserved bytes). A shorter file leaves the
// keys it does not reach at zero.
class Curve {
public:
    static constexpr int kMaxKeys = 64;
    // Each key's 40 bytes hold three Vec3 (36 bytes of values) and 4 reserved bytes.
    static constexpr int kKeySize = 40;
    static constexpr int kKeyValueBytes = 36;
    static constexpr int kRecordSize = 4 + kMaxKeys * kKeySize;  // 2564 bytes

    // Truncated: the file ends before the values of key n (the segment count); the
    // curve is used as read, the keys past the end at zero.
    enum class LoadResult { Loaded, CannotOpen, Empty, BadSegmentCount, Truncated };

    // Reads the first 2564 bytes of a file (fewer if it is shorter).
    LoadResult load(std::string_view path, FileSource& files);
    // Parses a record image of up to kRecordSize bytes.
    LoadResult parse(const unsigned char* bytes, size_t size);

    // A curve that could not be read, or whose segment count would index outside
    // the 64 keys, is never evaluated; objects that follow it stay where they are.
    bool usable() const { return usable_; }

    // The point of the path at parameter t (t outside 0..1 wraps around).
    Vec3 evaluate(float t) const;

    int32_t segmentCount = 0;
    std::array<CurveKey, kMaxKeys> keys{};

private:
    bool usable_ = false;
};

}  // namespace qm
