#!/usr/bin/env python3
"""Modelview matrices of an object's placement and of a camera's, worked out from the
rotation matrices, for the literals in camera_view_test.cpp.

An object at position p with angles (x, y, z) is placed by T(p) Rz(z) Ry(y) Rx(x); a
camera with the same fields applies Rz(-z) Rx(-x) Ry(-y) T(-p). The matrices are
printed column by column, as OpenGL stores them. Standard library only; double
precision (OpenGL's single-precision product differs by about 1e-6).
"""
import math

POSITION = (1.0, 2.0, 3.0)
ANGLES = (30.0, 40.0, 50.0)  # about x, y, z; all different so that any reordering shows


def rotation(degrees, axis):
    c, s = math.cos(math.radians(degrees)), math.sin(math.radians(degrees))
    x, y, z = axis
    return [[x * x * (1 - c) + c, x * y * (1 - c) - z * s, x * z * (1 - c) + y * s, 0],
            [y * x * (1 - c) + z * s, y * y * (1 - c) + c, y * z * (1 - c) - x * s, 0],
            [x * z * (1 - c) - y * s, y * z * (1 - c) + x * s, z * z * (1 - c) + c, 0],
            [0, 0, 0, 1]]


def translation(p):
    return [[1, 0, 0, p[0]], [0, 1, 0, p[1]], [0, 0, 1, p[2]], [0, 0, 0, 1]]


def product(*matrices):
    out = [[float(r == c) for c in range(4)] for r in range(4)]
    for m in matrices:
        out = [[sum(out[r][k] * m[k][c] for k in range(4)) for c in range(4)] for r in range(4)]
    return out


def column_major(m):
    return "{" + ", ".join(f"{m[r][c]:.7f}f" for c in range(4) for r in range(4)) + "}"


X, Y, Z = (1, 0, 0), (0, 1, 0), (0, 0, 1)
ax, ay, az = ANGLES
placement = product(translation(POSITION), rotation(az, Z), rotation(ay, Y), rotation(ax, X))
view = product(rotation(-az, Z), rotation(-ax, X), rotation(-ay, Y), translation([-c for c in POSITION]))
print("object:", column_major(placement))
print("camera:", column_major(view))
