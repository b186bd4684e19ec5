// fixed_math.cpp -- matrices as the GL 1.1 matrix stack builds them, so that the layer's vertices land where
// GL's do.
#include "platform/webgl/fixed_math.h"

#include <cmath>

namespace qmgl {

namespace {

constexpr double kPi = 3.14159265358979323846;

float& at(Mat4& a, int row, int column) {
    return a.m[column * 4 + row];
}

}  // namespace

Mat4 Mat4::identity() {
    return Mat4{{1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1, 0, 0, 0, 0, 1}};
}

Mat4 multiply(const Mat4& a, const Mat4& b) {
    Mat4 p;
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column)
            p.m[column * 4 + row] = a.m[row] * b.m[column * 4] + a.m[4 + row] * b.m[column * 4 + 1] +
                                    a.m[8 + row] * b.m[column * 4 + 2] + a.m[12 + row] * b.m[column * 4 + 3];
    return p;
}

Mat4 translation(float x, float y, float z) {
    Mat4 t = Mat4::identity();
    t.m[12] = x, t.m[13] = y, t.m[14] = z;
    return t;
}

Mat4 scaling(float x, float y, float z) {
    Mat4 s = Mat4::identity();
    s.m[0] = x, s.m[5] = y, s.m[10] = z;
    return s;
}

Mat4 rotation(float degrees, float x, float y, float z) {
    // Sine and cosine in single precision of the angle converted in double, and the
    // three axis-aligned cases built without the general formula: the exact zeros
    // keep a quarter turn's rounding what a GL implementation gives.
    const float s = std::sin(static_cast<float>(degrees * kPi / 180.0));
    const float c = std::cos(static_cast<float>(degrees * kPi / 180.0));
    Mat4 r = Mat4::identity();
    if (x == 0 && y == 0 && z != 0) {
        const float sz = z < 0 ? -s : s;
        at(r, 0, 0) = c, at(r, 1, 1) = c, at(r, 0, 1) = -sz, at(r, 1, 0) = sz;
        return r;
    }
    if (x == 0 && z == 0 && y != 0) {
        const float sy = y < 0 ? -s : s;
        at(r, 0, 0) = c, at(r, 2, 2) = c, at(r, 0, 2) = sy, at(r, 2, 0) = -sy;
        return r;
    }
    if (y == 0 && z == 0 && x != 0) {
        const float sx = x < 0 ? -s : s;
        at(r, 1, 1) = c, at(r, 2, 2) = c, at(r, 1, 2) = -sx, at(r, 2, 1) = sx;
        return r;
    }
    const float length = std::sqrt(x * x + y * y + z * z);
    if (length <= 1.0e-4f) return r;  // no axis: no rotation
    x /= length, y /= length, z /= length;
    const float xx = x * x, yy = y * y, zz = z * z, xy = x * y, yz = y * z, zx = z * x;
    const float xs = x * s, ys = y * s, zs = z * s, oneMinusC = 1.0f - c;
    at(r, 0, 0) = oneMinusC * xx + c;
    at(r, 0, 1) = oneMinusC * xy - zs;
    at(r, 0, 2) = oneMinusC * zx + ys;
    at(r, 1, 0) = oneMinusC * xy + zs;
    at(r, 1, 1) = oneMinusC * yy + c;
    at(r, 1, 2) = oneMinusC * yz - xs;
    at(r, 2, 0) = oneMinusC * zx - ys;
    at(r, 2, 1) = oneMinusC * yz + xs;
    at(r, 2, 2) = oneMinusC * zz + c;
    return r;
}

Mat4 frustum(double left, double right, double bottom, double top, double zNear, double zFar) {
    // The arguments are taken to single precision first, as GL stores its matrices.
    const float l = static_cast<float>(left), r = static_cast<float>(right);
    const float b = static_cast<float>(bottom), t = static_cast<float>(top);
    const float n = static_cast<float>(zNear), f = static_cast<float>(zFar);
    Mat4 p{};
    at(p, 0, 0) = (2.0f * n) / (r - l);
    at(p, 1, 1) = (2.0f * n) / (t - b);
    at(p, 0, 2) = (r + l) / (r - l);
    at(p, 1, 2) = (t + b) / (t - b);
    at(p, 2, 2) = -(f + n) / (f - n);
    at(p, 2, 3) = -(2.0f * f * n) / (f - n);
    at(p, 3, 2) = -1.0f;
    return p;
}

void transform(const Mat4& m, const float in[4], float out[4]) {
    for (int row = 0; row < 4; ++row)
        out[row] = m.m[row] * in[0] + m.m[4 + row] * in[1] + m.m[8 + row] * in[2] + m.m[12 + row] * in[3];
}

void normalMatrix(const Mat4& m, float out[9]) {
    // a = the upper 3x3 (row, column); the inverse transpose is the cofactor matrix over the determinant.
    auto a = [&](int row, int column) { return m.m[column * 4 + row]; };
    float cofactor[3][3];
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) {
            const int r0 = (row + 1) % 3, r1 = (row + 2) % 3;
            const int c0 = (column + 1) % 3, c1 = (column + 2) % 3;
            cofactor[row][column] = a(r0, c0) * a(r1, c1) - a(r0, c1) * a(r1, c0);
        }
    const float determinant = a(0, 0) * cofactor[0][0] + a(0, 1) * cofactor[0][1] + a(0, 2) * cofactor[0][2];
    const float inverse = determinant != 0 ? 1.0f / determinant : 0.0f;
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 3; ++column) out[column * 3 + row] = cofactor[row][column] * inverse;
}

}  // namespace qmgl
