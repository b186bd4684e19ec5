#!/usr/bin/env python3
"""Vertices of the torus knot, the wobbling ball and the rippling floor, worked out from
their formulas alone, for the literals in knot_ball_test.cpp and floor_test.cpp.

Standard library only. Fields that are 32-bit floats are rounded to single precision
after every operation (f32), so the values are what single-precision arithmetic gives;
the frame clock's delta is a double, as in the player. Sines and cosines are taken in
double and rounded once, which may differ from the C library's single-precision ones
by one unit in the last place; the tolerances in the tests allow for that (see
`--spread`, which prints how far the results move when every sine is off by one ulp).

Run: python3 knot_ball_floor_values.py            # the literals
     python3 knot_ball_floor_values.py --spread   # the float noise behind the tolerances
"""
import math
import struct
import sys

NUDGE = 0.0  # relative error put on every sine and cosine by --spread


def f32(x):
    return struct.unpack("<f", struct.pack("<f", x))[0]


def fsin(x):
    return f32(math.sin(x) * (1 + NUDGE))


def fcos(x):
    return f32(math.cos(x) * (1 - NUDGE))


def fsqrt(x):
    return f32(math.sqrt(x))


def add(a, b):
    return tuple(f32(p + q) for p, q in zip(a, b))


def sub(a, b):
    return tuple(f32(p - q) for p, q in zip(a, b))


def cross(u, v):
    return (f32(f32(u[1] * v[2]) - f32(u[2] * v[1])),
            f32(f32(u[2] * v[0]) - f32(u[0] * v[2])),
            f32(f32(u[0] * v[1]) - f32(u[1] * v[0])))


def unit(v):
    length = fsqrt(f32(f32(f32(v[0] * v[0]) + f32(v[1] * v[1])) + f32(v[2] * v[2])))
    return tuple(f32(c / length) for c in v)


TWO_PI = f32(6.2831855)

# ---------------------------------------------------------------- torus knot


class Knot:
    def __init__(self):
        self.p, self.q, self.target_p, self.target_q = 2.0, 1.0, 2.0, 1.0
        self.swell = 0.0
        self.phase = 0.0

    def trigger(self, code):
        if code == 1:
            self.target_p = 0.0 if self.target_p + 1 > 12 else self.target_p + 1
        elif code == 2:
            self.target_q = 0.0 if self.target_q + 1 > 12 else self.target_q + 1
        elif code == 3:
            self.swell += 40

    def update(self, delta):
        self.phase = f32(self.phase + delta * 8)
        self.swell = f32(self.swell * (1 - delta * 8))
        self.p = f32(self.p + f32(self.target_p - self.p) * delta * 3)
        self.q = f32(self.q + f32(self.target_q - self.q) * delta * 3)
        self.points = []
        for b in range(201):
            theta = f32(f32(b * f32(0.005)) * TWO_PI)
            r = f32(f32(fsin(f32(self.q * theta)) + 2) * 16)
            self.points.append((f32(r * fcos(f32(self.p * theta))), f32(r * fcos(f32(self.q * theta))),
                                f32(r * fsin(f32(self.p * theta)))))

    def frame(self, i):
        """n-hat, b-hat and the tube radius at curve point i (0..199)."""
        p0 = self.points[i]
        p1 = self.points[(i + 1) % 200]
        tangent = sub(p1, p0)
        middle = add(p1, p0)
        b = cross(tangent, middle)
        n2 = cross(b, tangent)
        theta = f32(f32(i * f32(0.005)) * TWO_PI)
        radius = f32(f32(f32(f32(3 * fsin(f32(f32(2 * theta) - f32(0.5 * self.phase))))
                             + f32(2 * fsin(f32(f32(15 * theta) + self.phase)))) + self.swell) + 7)
        return unit(n2), unit(b), radius

    def vertex(self, k, n, t):
        i = (k + t) % 200
        n_hat, b_hat, radius = self.frame(i)
        phi = f32(f32(n * f32(0.05)) * TWO_PI)
        rs = f32(radius * fsin(phi))
        rc = f32(radius * fcos(phi))
        offset = tuple(f32(f32(rs * bb) + f32(rc * nn)) for bb, nn in zip(b_hat, n_hat))
        return unit(offset), add(self.points[i], offset), n_hat, b_hat


KNOT_VERTICES = [(0, 20, 0), (0, 1, 1), (57, 13, 1), (131, 6, 0), (199, 3, 0), (199, 7, 1), (200, 15, 0), (200, 15, 1)]


def knot_cases():
    rest = Knot()
    rest.update(0.05)
    moved = Knot()
    for code in (1, 2, 3, 0, 4):  # 0 and 4 do nothing
        moved.trigger(code)
    for _ in range(3):
        moved.update(0.1)
    return [("rest", rest), ("triggered", moved)]


# ---------------------------------------------------------------- wobbling ball

PI = f32(3.1415927)
FOUR_PI = f32(12.566371)
SIX_PI = f32(18.849556)
HALF_PI = f32(1.5707964)


class Ball:
    def __init__(self):
        self.phase_a = self.phase_b = self.wobble_phase = 0.0
        self.wobble = 0.0
        self.wobbling = False

    def update(self, delta):
        self.phase_a = f32(self.phase_a + delta * 10)
        self.phase_b = f32(self.phase_b + delta * 8)
        if self.wobbling:
            self.wobble = f32(fsin(self.wobble_phase) * 1.5)
            self.wobble_phase = f32(self.wobble_phase + delta * 0.1)

    def vertex(self, i, j, n, rings=50, segments=50):
        a, b = self.phase_a, self.phase_b
        u = f32(j / segments)
        v = f32((i + n) / rings)
        s = f32(f32(f32(12 * f32(fsin(f32(f32(TWO_PI * u) + b)) + fcos(f32(f32(FOUR_PI * v) + b))))
                    + f32(4 * fsin(f32(f32(SIX_PI * u) + a)))) + fsin(f32(f32(FOUR_PI * v) + a)))
        sin_v = fsin(f32(PI * v))
        rho = f32(f32(40 + f32(20 * f32(1 - sin_v))) + f32(f32(self.wobble * f32(s + 10)) * sin_v))
        beta = f32(f32(PI * (i + n)) / rings)
        alpha = f32(f32(TWO_PI * j) / segments)
        sin_beta = fsin(beta)
        position = (f32(f32(rho * sin_beta) * fsin(alpha)), f32(f32(rho * sin_beta) * fcos(alpha)),
                    f32(rho * fsin(f32(beta + HALF_PI))))
        return unit(position), position


BALL_VERTICES = [(0, 0, 1), (0, 0, 0), (13, 40, 0), (24, 7, 1), (31, 22, 1), (49, 49, 1)]


def ball_cases():
    rest = Ball()
    rest.update(0.02)
    wobbling = Ball()
    wobbling.wobbling = True  # code 1
    for _ in range(10):
        wobbling.update(1.0)
    return [("rest", rest), ("wobbling", wobbling)]


# ---------------------------------------------------------------- rippling floor

GRID = 75


class Floor:
    def __init__(self):
        self.current = [[0.0] * GRID for _ in range(GRID)]  # heights z; x and y never move
        self.previous = [[0.0] * GRID for _ in range(GRID)]
        self.normals = {}
        self.positions = {}
        self.drop_active = False
        self.drop_time = 0.0
        self.now = 0.0
        self.u = self.v = 0.0
        self.scroll_u = self.scroll_v = 2.0

    @staticmethod
    def xy(row, column):
        return float((row - 37) * 5), float((column - 37) * 5)

    def point(self, row, column):
        return self.xy(row, column) + (self.current[row][column],)

    def trigger(self, code):
        if code in (0, 1):
            self.drop_active, self.drop_time = True, self.now
        speeds = {2: (2, 2), 3: (0, 2), 4: (2, 0), 5: (-2, 2), 6: (0, 0), 7: (-2, -2)}
        if code in speeds:
            self.scroll_u, self.scroll_v = speeds[code]

    def update(self, delta):
        self.now += delta
        self.u = f32(self.u + self.scroll_u * delta)
        self.v = f32(self.v + self.scroll_v * delta)
        if self.drop_active and self.now - self.drop_time < 0.15:
            for di, dj in ((0, 0), (-1, -1), (-1, 1), (1, -1), (1, 1)):
                self.current[37 + di][37 + dj] -= 20
        else:
            self.drop_active = False
        cur, prev = self.current, self.previous
        for i in range(GRID):
            for j in range(GRID):
                total = (cur[(i - 1) % GRID][j] + cur[i][(j + 1) % GRID] + cur[i][(j - 1) % GRID]
                         + cur[(i + 1) % GRID][j])
                m = math.trunc(total * 0.5 - prev[i][j])
                prev[i][j] = float(math.trunc(m * (1 - m * delta * 0.0000001)))
        for s in range(GRID):
            for k in range(GRID):
                if s in (0, GRID - 1) or k in (0, GRID - 1):
                    normal = (0.0, 0.0, 1.0)
                else:
                    p, q, r = self.point(k + 1, s + 1), self.point(k - 1, s - 1), self.point(k + 1, s - 1)
                    normal = unit(cross(sub(r, p), sub(p, q)))
                self.normals[150 * s + 2 * k] = self.normals[150 * s + 2 * k + 1] = normal
                if s < GRID - 1:
                    self.positions[150 * s + 2 * k] = self.point(k, s + 1)
                    self.positions[150 * s + 2 * k + 1] = self.point(k, s)
        self.current, self.previous = self.previous, self.current


FLOOR_VERTICES = [150 * 36 + 2 * 37, 150 * 36 + 2 * 37 + 1, 150 * 37 + 2 * 36, 150 * 38 + 2 * 40 + 1,
                  150 * 33 + 2 * 37, 150 * 0 + 2 * 37]
FLOOR_HEIGHTS = [(37, 37), (36, 36), (38, 38), (37, 36), (37, 38), (34, 37), (37, 31), (30, 30)]
WRAP_HEIGHTS = [(74, 20), (73, 20), (0, 20), (1, 20), (74, 21), (20, 74), (20, 0), (20, 1), (21, 0)]


def floor_drop_case():
    floor = Floor()
    floor.now = 10.0
    floor.trigger(1)
    floor.trigger(5)
    for _ in range(10):
        floor.update(0.02)
    return floor


def floor_wrap_case():
    floor = Floor()
    floor.current[74][20] = -400.0
    floor.current[20][74] = -400.0
    for _ in range(3):
        floor.update(0.02)
    return floor


# ---------------------------------------------------------------- output


def lit(x):
    text = "%.9g" % f32(x)  # nine digits give the single-precision value back exactly
    return (text if ("e" in text or "." in text) else text + ".0") + "f"


def vec(v):
    return "{" + ", ".join(lit(c) for c in v) + "}"


def literals():
    print("// knot: {k, n, t}, normal, position, n-hat and b-hat (its trace lines)")
    for name, knot in knot_cases():
        print(f"// {name}: p {lit(knot.p)} q {lit(knot.q)} swell {lit(knot.swell)} phase {lit(knot.phase)}")
        for k, n, t in KNOT_VERTICES:
            normal, position, n_hat, b_hat = knot.vertex(k, n, t)
            print(f"{{{k}, {n}, {t}, {vec(normal)}, {vec(position)}, {vec(n_hat)}, {vec(b_hat)}}},")
    print("// ball: {i, j, n}, normal, position")
    for name, ball in ball_cases():
        print(f"// {name}: wobble {lit(ball.wobble)}")
        for i, j, n in BALL_VERTICES:
            normal, position = ball.vertex(i, j, n)
            print(f"{{{i}, {j}, {n}, {vec(normal)}, {vec(position)}}},")
    floor = floor_drop_case()
    print(f"// floor after the drop: offsets {lit(floor.u)} {lit(floor.v)}; heights {{row, column, z}}")
    for r, c in FLOOR_HEIGHTS:
        print(f"{{{r}, {c}, {lit(floor.current[r][c])}}},")
    print("// floor vertices {index, normal, position}")
    for index in FLOOR_VERTICES:
        print(f"{{{index}, {vec(floor.normals[index])}, {vec(floor.positions[index])}}},")
    floor = floor_wrap_case()
    print("// floor wrap: heights {row, column, z}")
    for r, c in WRAP_HEIGHTS:
        print(f"{{{r}, {c}, {lit(floor.current[r][c])}}},")


def spread():
    """Largest change of any pinned value when every sine and cosine is one ulp off."""
    global NUDGE

    def values():
        out = []
        for _, knot in knot_cases():
            for k, n, t in KNOT_VERTICES:
                normal, position, n_hat, b_hat = knot.vertex(k, n, t)
                out.append(("knot unit", normal + n_hat + b_hat))
                out.append(("knot position", position))
        for _, ball in ball_cases():
            for i, j, n in BALL_VERTICES:
                normal, position = ball.vertex(i, j, n)
                out.append(("ball unit", normal))
                out.append(("ball position", position))
        return out

    base = values()
    for nudge in (6e-8, -6e-8):
        NUDGE = nudge
        worst = {}
        for (kind, a), (_, b) in zip(base, values()):
            worst[kind] = max(worst.get(kind, 0), max(abs(p - q) for p, q in zip(a, b)))
        print(f"sines off by {nudge:+g}: " + ", ".join(f"{k} {v:.2e}" for k, v in sorted(worst.items())))
    NUDGE = 0.0


if __name__ == "__main__":
    spread() if "--spread" in sys.argv else literals()
