// textures.cpp -- procedural pictures for the demo's materials: noise, gradients and
// antialiased shapes, all from fixed seeds so that every run gives the same pixels.
#include "tools/demo/textures.h"

#include <algorithm>
#include <cmath>
#include <functional>
#include <initializer_list>
#include <vector>

#include "tools/demo/noise.h"

namespace qm::demo {

namespace {

constexpr float kPi = 3.14159265f;
constexpr int kSuperSamples = 4;  // per axis, for the edges of drawn shapes

// Fraction of the pixel (x, y) inside a shape given in pixel coordinates.
float coverage(int x, int y, const std::function<bool(float, float)>& inside) {
    int hits = 0;
    for (int sy = 0; sy < kSuperSamples; ++sy)
        for (int sx = 0; sx < kSuperSamples; ++sx)
            hits += inside(float(x) + (float(sx) + 0.5f) / kSuperSamples,
                           float(y) + (float(sy) + 0.5f) / kSuperSamples);
    return float(hits) / float(kSuperSamples * kSuperSamples);
}

// A colour ramp through evenly spaced stops, t in 0..1.
Rgba ramp(std::initializer_list<Rgba> stops, float t) {
    const std::vector<Rgba> s(stops);
    if (s.size() == 1) return s[0];
    const float f = clamp01(t) * float(s.size() - 1);
    const size_t i = std::min(size_t(f), s.size() - 2);
    return mix(s[i], s[i + 1], f - float(i));
}

Rgba add(Rgba c, float amount) {
    auto up = [amount](uint8_t v) { return toByte(float(v) / 255.0f + amount); };
    return {up(c.r), up(c.g), up(c.b), c.a};
}

Rgba scaleRgb(Rgba c, float f) {
    return {toByte(c.r / 255.0f * f), toByte(c.g / 255.0f * f), toByte(c.b / 255.0f * f), c.a};
}

// Coordinates of the centre of pixel (x, y) in -1..1, y up.
float centredX(int x, int size) {
    return (float(x) + 0.5f) / float(size) * 2.0f - 1.0f;
}
float centredY(int y, int size) {
    return 1.0f - (float(y) + 0.5f) / float(size) * 2.0f;
}

}  // namespace

Image cloudsTexture() {
    constexpr int kSize = 128;
    Image image(kSize, kSize);
    const Rgba sky{70, 110, 190, 255}, cloud{245, 248, 255, 255};
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float n = fractalNoise(float(x) / kSize, float(y) / kSize, 4, 5, 11);
            image.at(x, y) = mix(sky, cloud, smoothstep(0.3f, 0.8f, n));
        }
    }
    return image;
}

IndexedImage blueTexture() {
    constexpr int kSize = 64;
    IndexedImage image(kSize, kSize);
    for (int i = 0; i < 256; ++i)
        image.palette.push_back(
            ramp({{6, 16, 60, 255}, {30, 80, 180, 255}, {140, 200, 255, 255}}, float(i) / 255.0f));
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float u = float(x) / kSize, v = float(y) / kSize;
            const float n = fractalNoise(u, v, 2, 4, 23);
            // Diagonal ripples whose whole number of periods per tile keeps the tile seamless.
            const float wave = 0.5f + 0.5f * std::sin(2.0f * kPi * 2.0f * (u + v) + 3.0f * n);
            image.at(x, y) = toByte(0.25f + 0.45f * n + 0.3f * wave);
        }
    }
    return image;
}

Image chessTexture() {
    constexpr int kSize = 64, kSquare = 32;
    Image image(kSize, kSize);
    const Rgba light{225, 215, 190, 255}, dark{35, 45, 75, 255};
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            Rgba c = ((x / kSquare + y / kSquare) % 2 == 0) ? light : dark;
            c = add(c, (hashUnit(x, y, 31) - 0.5f) * 0.05f);
            if (x % kSquare == 0 || y % kSquare == 0) c = scaleRgb(c, 0.75f);  // grout
            image.at(x, y) = c;
        }
    }
    return image;
}

Image chromeTexture() {
    constexpr int kSize = 128;
    Image image(kSize, kSize);
    const Rgba zenith{30, 70, 170, 255}, horizonSky{210, 230, 255, 255};
    const Rgba horizonGround{120, 90, 70, 255}, nadir{25, 18, 20, 255};
    const float sunX = 0.45f, sunY = 0.55f, sunZ = 0.70f;
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float nx = centredX(x, kSize), ny = centredY(y, kSize);
            const float r2 = nx * nx + ny * ny;
            if (r2 >= 1.0f) {
                image.at(x, y) = nadir;
                continue;
            }
            // The view reflected off a mirror ball seen along -z, as sphere mapping looks it up.
            const float nz = std::sqrt(1.0f - r2);
            const float rx = 2.0f * nz * nx, ry = 2.0f * nz * ny, rz = 2.0f * nz * nz - 1.0f;
            Rgba c = ry >= 0.0f ? mix(horizonSky, zenith, std::pow(ry, 0.6f))
                                : mix(horizonGround, nadir, std::pow(-ry, 0.5f));
            const float edge = 1.0f - smoothstep(0.0f, 0.06f, std::fabs(ry));  // bright horizon line
            const float sun = std::pow(std::max(0.0f, rx * sunX + ry * sunY + rz * sunZ), 48.0f);
            const float fill = std::pow(std::max(0.0f, -rx * 0.6f + ry * 0.3f + rz * 0.74f), 12.0f);
            image.at(x, y) = add(c, 0.35f * edge + 1.2f * sun + 0.25f * fill);
        }
    }
    return image;
}

Image skySideTexture() {
    constexpr int kSize = 128;
    Image image(kSize, kSize);
    const Rgba haze{190, 199, 219, 255};  // the floor scene's fog colour (0.75, 0.78, 0.86)
    for (int y = 0; y < kSize; ++y) {
        const float v = float(y) / float(kSize - 1);
        for (int x = 0; x < kSize; ++x) {
            const float u = float(x) / kSize;
            Rgba c = ramp({{18, 36, 100, 255}, {60, 105, 185, 255}, {150, 175, 215, 255}, haze}, v / 0.6f);
            // Thin clouds high up.
            const float cloud = smoothstep(0.55f, 0.85f, fractalNoise(u, v * 0.5f, 4, 4, 41)) *
                                smoothstep(0.1f, 0.3f, v) * (1.0f - smoothstep(0.45f, 0.55f, v));
            c = mix(c, Rgba{235, 238, 250, 255}, cloud * 0.7f);
            // Distant hills, seamless sideways, fading into the haze below the horizon.
            const float ridge = 0.47f + 0.12f * fractalNoise(u, 0.5f, 3, 4, 43);
            if (v > ridge) c = mix(Rgba{95, 105, 140, 255}, haze, smoothstep(ridge, 0.64f, v));
            image.at(x, y) = c;
        }
    }
    return image;
}

Image skyTopTexture() {
    constexpr int kSize = 64;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float nx = centredX(x, kSize), ny = centredY(y, kSize);
            const float r = std::min(1.0f, std::sqrt(nx * nx + ny * ny));
            Rgba c = mix(Rgba{10, 18, 62, 255}, Rgba{18, 36, 100, 255}, r);
            if (hashUnit(x, y, 53) > 0.985f) c = add(c, 0.5f * hashUnit(y, x, 59));  // faint stars
            image.at(x, y) = c;
        }
    }
    return image;
}

Image backdropTexture() {
    constexpr int kSize = 256;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        const float v = float(y) / float(kSize - 1);
        for (int x = 0; x < kSize; ++x) {
            const float u = float(x) / kSize;
            Rgba c = ramp({{14, 6, 36, 255}, {40, 14, 70, 255}, {120, 40, 110, 255}, {245, 140, 80, 255}},
                          v / 0.82f);
            // Aurora curtains: a wavering band of fine vertical streaks.
            const float sway = 0.08f * (fractalNoise(u, 0.7f, 2, 3, 61) - 0.5f);
            const float streaks =
                0.5f + 0.5f * std::sin(u * 2.0f * kPi * 11.0f + 9.0f * fractalNoise(u, 0.2f, 4, 3, 63));
            const float band =
                smoothstep(0.1f, 0.22f, v + sway) * (1.0f - smoothstep(0.26f, 0.42f, v + sway));
            c = mix(c, Rgba{70, 235, 170, 255}, 0.45f * band * (0.35f + 0.65f * streaks));
            // Stars, thinning towards the glow of the horizon.
            const float star = hashUnit(x, y, 67);
            if (star > 0.993f)
                c = add(c, (1.0f - smoothstep(0.3f, 0.6f, v)) * (0.4f + 0.6f * hashUnit(y, x, 71)));
            // Hills in front.
            const float hill = 0.84f + 0.06f * fractalNoise(u, 0.3f, 2, 4, 73);
            if (v > hill) c = mix(Rgba{30, 12, 40, 255}, Rgba{8, 4, 14, 255}, smoothstep(hill, 1.0f, v));
            image.at(x, y) = c;
        }
    }
    return image;
}

Image vignetteTexture() {
    constexpr int kSize = 256;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float nx = centredX(x, kSize), ny = centredY(y, kSize);
            float alpha = 0.85f * smoothstep(0.6f, 1.35f, std::sqrt(nx * nx + ny * ny));
            if (y % 4 == 0) alpha = alpha + (1.0f - alpha) * 0.12f;  // scan lines
            image.at(x, y) = {0, 0, 8, toByte(alpha)};
        }
    }
    return image;
}

Image emblemTexture() {
    constexpr int kSize = 128;
    Image image(kSize, kSize, Rgba{0, 0, 0, 0});
    auto toUnit = [](float px) { return px / float(kSize) * 2.0f - 1.0f; };
    // A quill from lower left to upper right: `along` runs 0..1 up the shaft, `across` is
    // the distance from the slightly bent shaft.
    auto quill = [&](float px, float py, float& along, float& across) {
        const float ux = toUnit(px), uy = -toUnit(py);
        const float s = (ux + uy) * 0.7071f, t = (uy - ux) * 0.7071f;
        along = (s + 0.72f) / 1.44f;
        across = t - 0.1f * std::sin(kPi * clamp01(along));
    };
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float ring = coverage(x, y, [&](float px, float py) {
                const float r = std::hypot(toUnit(px), toUnit(py));
                return r > 0.8f && r < 0.92f;
            });
            const float shaft = coverage(x, y, [&](float px, float py) {
                float a, t;
                quill(px, py, a, t);
                return a >= 0.0f && a <= 1.0f && std::fabs(t) < 0.022f;
            });
            const float vane = coverage(x, y, [&](float px, float py) {
                float a, t;
                quill(px, py, a, t);
                if (a < 0.22f || a > 1.0f) return false;
                const float width = 0.22f * std::pow(std::sin(kPi * (a - 0.22f) / 0.78f), 0.6f);
                return std::fabs(t) < width;
            });
            float a, t;
            quill(float(x) + 0.5f, float(y) + 0.5f, a, t);
            // Barbs slant back from the shaft like a chevron.
            const float barbs = 0.7f + 0.3f * std::sin(a * 90.0f + std::fabs(t) * 60.0f);
            const float alpha = std::max(std::max(ring, vane), shaft);
            if (alpha <= 0.0f) continue;
            Rgba c = shaft >= vane && shaft > 0.0f ? Rgba{255, 250, 235, 255}
                     : vane >= ring                ? scaleRgb(Rgba{255, 205, 110, 255}, barbs)
                                                   : Rgba{220, 235, 255, 255};
            c.a = toByte(alpha);
            image.at(x, y) = c;
        }
    }
    return image;
}

Image tunnelTexture() {
    constexpr int kSize = 128, kPanel = 32;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int px = x % kPanel, py = y % kPanel;
            const float grain = fractalNoise(float(x) / kSize, float(y) / kSize, 8, 3, 83);
            Rgba c = mix(Rgba{40, 48, 66, 255}, Rgba{70, 82, 104, 255}, grain);
            const int fromEdge = std::min(std::min(px, kPanel - 1 - px), std::min(py, kPanel - 1 - py));
            if (fromEdge == 2) c = add(c, 0.12f);  // bevel
            if (fromEdge < 2)
                c = mix(Rgba{0, 170, 230, 255}, Rgba{150, 240, 255, 255}, fromEdge == 0 ? 1.0f : 0.0f);
            const bool rivet = (px == 5 || px == kPanel - 6) && (py == 5 || py == kPanel - 6);
            if (rivet) c = Rgba{170, 180, 200, 255};
            image.at(x, y) = c;
        }
    }
    return image;
}

Image skinTexture() {
    constexpr int kSize = 64, kScale = 16;
    Image image(kSize, kSize);
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            // Overlapping round scales in offset rows; each scale is brightest at its lower rim.
            const int row = y / (kScale / 2);
            const int shift = (row % 2) * (kScale / 2);
            const float cx = float(((x + shift) / kScale) * kScale + kScale / 2 - shift);
            const float cy = float(row * (kScale / 2));
            const float d = std::hypot(float(x) - cx, float(y) - cy) / float(kScale / 2);
            const float shade = clamp01(d);
            Rgba c = mix(Rgba{120, 40, 20, 255}, Rgba{245, 170, 70, 255}, shade * shade);
            if (d > 0.92f) c = scaleRgb(c, 0.55f);
            image.at(x, y) = c;
        }
    }
    return image;
}

Image ringSymbol() {
    constexpr int kSize = 32;
    Image image(kSize, kSize, Rgba{0, 0, 0, 0});
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float a = coverage(x, y, [](float px, float py) {
                const float r = std::hypot(px - kSize / 2.0f, py - kSize / 2.0f);
                return r > 9.0f && r < 14.0f;
            });
            const float glow = 0.35f * coverage(x, y, [](float px, float py) {
                                   return std::hypot(px - kSize / 2.0f, py - kSize / 2.0f) <= 9.0f;
                               });
            image.at(x, y) = {150, 240, 255, toByte(std::max(a, glow))};
        }
    }
    return image;
}

IndexedImage diamondSymbol() {
    constexpr int kSize = 32;
    IndexedImage image(kSize, kSize);
    image.palette.push_back({0, 0, 0, 0});        // entry 0: the transparent ground
    image.palette.push_back({120, 60, 10, 255});  // entry 1: the rim
    for (int i = 0; i < 8; ++i)
        image.palette.push_back(mix(Rgba{255, 150, 30, 255}, Rgba{255, 245, 190, 255}, i / 7.0f));
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const int dx = std::abs(2 * x + 1 - kSize),
                      dy = std::abs(2 * y + 1 - kSize);  // twice the distance
            const int d = dx + dy;
            if (d >= 28) continue;
            if (d >= 24) {
                image.at(x, y) = 1;
                continue;
            }
            // Lighter towards the upper left facet.
            const float light = clamp01(0.5f + float(kSize - 1 - x - y) / float(kSize) * 0.9f);
            image.at(x, y) = uint8_t(2 + std::min(7, int(light * 7.99f)));
        }
    }
    return image;
}

Image starSymbol() {
    constexpr int kSize = 32;
    Image image(kSize, kSize, Rgba{0, 0, 0, 0});
    const float cx = kSize / 2.0f, cy = kSize / 2.0f + 1.0f, outer = 14.5f, inner = 6.0f;
    auto inside = [&](float px, float py) {
        const float dx = px - cx, dy = cy - py;  // y up
        const float r = std::hypot(dx, dy);
        if (r < 1e-4f) return true;
        // Angle from the upward axis, folded into one point's wedge of 72 degrees.
        float angle = std::atan2(dx, dy);
        const float wedge = 2.0f * kPi / 5.0f;
        angle = std::fabs(std::remainder(angle, wedge));
        // Boundary of the point: a straight edge from the tip (angle 0, outer) to the valley (36 degrees,
        // inner).
        const float tipX = 0.0f, tipY = outer;
        const float valleyX = inner * std::sin(wedge / 2.0f), valleyY = inner * std::cos(wedge / 2.0f);
        const float qx = r * std::sin(angle), qy = r * std::cos(angle);
        const float cross = (valleyX - tipX) * (qy - tipY) - (valleyY - tipY) * (qx - tipX);
        return cross <= 0.0f;
    };
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float a = coverage(x, y, inside);
            if (a <= 0.0f) continue;
            Rgba c = mix(Rgba{255, 250, 200, 255}, Rgba{255, 190, 40, 255}, float(y) / kSize);
            c.a = toByte(a);
            image.at(x, y) = c;
        }
    }
    return image;
}

Image noteSymbol() {
    constexpr int kSize = 32;
    Image image(kSize, kSize, Rgba{0, 0, 0, 0});
    auto inside = [](float px, float py) {
        const float hx = px - 11.0f, hy = py - 24.0f;  // the note head, tilted
        const float rx = hx * 0.94f + hy * 0.34f, ry = -hx * 0.34f + hy * 0.94f;
        if ((rx * rx) / 36.0f + (ry * ry) / 16.0f <= 1.0f) return true;
        if (px >= 15.0f && px <= 17.5f && py >= 4.0f && py <= 24.0f) return true;  // stem
        const float flagY = 4.0f + (px - 17.5f) * 0.9f;                            // flag
        return px >= 17.5f && px <= 25.0f && py >= flagY && py <= flagY + 5.0f;
    };
    for (int y = 0; y < kSize; ++y) {
        for (int x = 0; x < kSize; ++x) {
            const float a = coverage(x, y, inside);
            if (a > 0.0f) image.at(x, y) = {255, 170, 230, toByte(a)};
        }
    }
    return image;
}

}  // namespace qm::demo
