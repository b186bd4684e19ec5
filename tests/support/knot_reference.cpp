// knot_reference.cpp -- the torus knot trace computed per vertex and printed with operator<<.
#include "support/knot_reference.h"

#include <cmath>

#include "objects/torus_knot.h"

namespace qm::test {

namespace {

Vec3 cross(const Vec3& u, const Vec3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

Vec3 unit(const Vec3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

}  // namespace

void writeReferenceKnotTrace(const TorusKnot& knot, std::ostream& out) {
    for (int k = 0; k <= 200; ++k)
        for (int n = 20; n >= 1; --n)
            for (int t = 0; t <= 1; ++t) {
                const int i = (k + t) % 200;
                const Vec3& p0 = knot.knotPoints[i];
                const Vec3& p1 = knot.knotPoints[(i + 1) % 200];
                const Vec3 tangent{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
                const Vec3 b = cross(tangent, p1.add(p0));
                const Vec3 n2 = cross(b, tangent);
                const Vec3 bh = unit(b);
                const Vec3 nh = unit(n2);
                out << "n2:" << nh.x << " " << nh.y << " " << nh.z << "\n";
                out << "b:" << bh.x << " " << bh.y << " " << bh.z << "\n";
            }
}

}  // namespace qm::test
