// curve.cpp -- curve file reading and cubic Bezier evaluation.
#include "scene/curve.h"

#include <cmath>
#include <cstring>
#include <string>

#include "base/paths.h"

namespace qm {

namespace {

int32_t readInt32(const unsigned char* p) {
    uint32_t v = uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
    return static_cast<int32_t>(v);
}

float readFloat(const unsigned char* p) {
    uint32_t v = static_cast<uint32_t>(readInt32(p));
    float f;
    std::memcpy(&f, &v, sizeof f);
    return f;
}

Vec3 readVec3(const unsigned char* p) {
    return {readFloat(p), readFloat(p + 4), readFloat(p + 8)};
}

}  // namespace

Curve::LoadResult Curve::load(std::string_view path, FileSource& files) {
    segmentCount = 0;
    keys = {};
    usable_ = false;
    std::string bytes;
    if (!files.read(path, bytes)) return LoadResult::CannotOpen;
    return parse(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size());
}

Curve::LoadResult Curve::parse(const unsigned char* bytes, size_t size) {
    segmentCount = 0;
    keys = {};
    usable_ = false;
    if (size < 4) return size == 0 ? LoadResult::Empty : LoadResult::BadSegmentCount;
    if (size > kRecordSize) size = kRecordSize;

    // Copy what the file has over a zeroed record image, then read field by field.
    unsigned char image[kRecordSize] = {};
    std::memcpy(image, bytes, size);
    segmentCount = readInt32(image);
    for (int k = 0; k < kMaxKeys; ++k) {
        const unsigned char* p = image + 4 + kKeySize * k;
        keys[k] = {readVec3(p), readVec3(p + 12), readVec3(p + 24)};
    }
    // Keys 0..n are read, so n may be at most 63.
    if (segmentCount < 0 || segmentCount >= kMaxKeys) return LoadResult::BadSegmentCount;
    usable_ = true;
    // Keys 0..n must be in the file; the reserved bytes of key n may be missing.
    const size_t needed = size_t{4} + size_t(kKeySize) * size_t(segmentCount) + kKeyValueBytes;
    return size < needed ? LoadResult::Truncated : LoadResult::Loaded;
}

Vec3 Curve::evaluate(float t) const {
    if (!usable_) return {};
    if (t > 1.0f || t < 0.0f) t = t - std::floor(t);
    if (!(t >= 0.0f && t <= 1.0f)) t = 0.0f;  // NaN or infinity cannot pick a segment

    const int n = segmentCount;
    const float s = t * static_cast<float>(n);
    int i = static_cast<int>(s);
    while (i > n) i -= n;
    // At the last key u is 0 and the next key would contribute nothing: return the
    // key itself rather than read past key 63.
    if (i >= n) return keys[n].point;

    const float u = s - static_cast<float>(i);
    const float v = 1.0f - u;
    const CurveKey& a = keys[i];
    const CurveKey& b = keys[i + 1];
    const Vec3 p0 = a.point;
    const Vec3 p1 = a.point.add(a.outHandle);
    const Vec3 p2 = b.point.add(b.inHandle);
    const Vec3 p3 = b.point;
    const float w0 = v * v * v;
    const float w1 = 3.0f * u * v * v;
    const float w2 = 3.0f * u * u * v;
    const float w3 = u * u * u;
    return {w0 * p0.x + w1 * p1.x + w2 * p2.x + w3 * p3.x, w0 * p0.y + w1 * p1.y + w2 * p2.y + w3 * p3.y,
            w0 * p0.z + w1 * p1.z + w2 * p2.z + w3 * p3.z};
}

}  // namespace qm
