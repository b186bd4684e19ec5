// fixed_math.h -- the webgl layer's matrix arithmetic, done as GL 1.1 does it: column-major, single
// precision.
#pragma once

namespace qmgl {

// Column-major 4x4 matrix, m[column * 4 + row], as glGetFloatv returns it.
struct Mat4 {
    float m[16];
    static Mat4 identity();
};

// a * b: b's transform applies first, as glMultMatrix(b) on a stack whose top is a.
Mat4 multiply(const Mat4& a, const Mat4& b);
Mat4 translation(float x, float y, float z);
Mat4 scaling(float x, float y, float z);
// Degrees about the axis (x, y, z), which need not be unit length.
Mat4 rotation(float degrees, float x, float y, float z);
Mat4 frustum(double left, double right, double bottom, double top, double zNear, double zFar);
// m * (x, y, z, w).
void transform(const Mat4& m, const float in[4], float out[4]);
// The inverse transpose of m's upper 3x3, column-major: what carries normals into eye
// space. Not renormalised: GL 1.1 without GL_NORMALIZE lets scaling reach the normals.
void normalMatrix(const Mat4& m, float out[9]);

}  // namespace qmgl
