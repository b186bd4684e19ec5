// vec3.h -- the three-float vector used for positions, angles, scales and curve points.
#pragma once

namespace qm {

struct Vec3 {
    float x = 0, y = 0, z = 0;

    void set(float nx, float ny, float nz) {
        x = nx;
        y = ny;
        z = nz;
    }
    Vec3 add(const Vec3& o) const { return {x + o.x, y + o.y, z + o.z}; }
    Vec3 scaled(float s) const { return {x * s, y * s, z * s}; }
    bool operator==(const Vec3&) const = default;
};

}  // namespace qm
