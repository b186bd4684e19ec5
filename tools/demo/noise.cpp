// noise.cpp -- integer hashing and tileable value noise, free of library random generators
// so that every run produces the same bytes.
#include "tools/demo/noise.h"

#include <cmath>

namespace qm::demo {

namespace {

int wrap(int v, int period) {
    int r = v % period;
    return r < 0 ? r + period : r;
}

float lerp(float a, float b, float t) {
    return a + (b - a) * t;
}

}  // namespace

uint32_t hashPoint(int x, int y, uint32_t seed) {
    uint32_t h = seed * 0x9e3779b9u;
    h ^= uint32_t(x) * 0x85ebca6bu;
    h = (h << 13) | (h >> 19);
    h ^= uint32_t(y) * 0xc2b2ae35u;
    h ^= h >> 16;
    h *= 0x7feb352du;
    h ^= h >> 15;
    h *= 0x846ca68bu;
    h ^= h >> 16;
    return h;
}

float hashUnit(int x, int y, uint32_t seed) {
    return float(hashPoint(x, y, seed) >> 8) / float(1u << 24);
}

float smoothstep(float edge0, float edge1, float x) {
    const float t = clamp01((x - edge0) / (edge1 - edge0));
    return t * t * (3.0f - 2.0f * t);
}

float clamp01(float v) {
    return v < 0.0f ? 0.0f : (v > 1.0f ? 1.0f : v);
}

float valueNoise(float x, float y, int period, uint32_t seed) {
    if (period < 1) period = 1;
    const float fx = std::floor(x);
    const float fy = std::floor(y);
    const int x0 = wrap(int(fx), period), y0 = wrap(int(fy), period);
    const int x1 = wrap(x0 + 1, period), y1 = wrap(y0 + 1, period);
    float tx = x - fx, ty = y - fy;
    tx = tx * tx * (3.0f - 2.0f * tx);
    ty = ty * ty * (3.0f - 2.0f * ty);
    const float top = lerp(hashUnit(x0, y0, seed), hashUnit(x1, y0, seed), tx);
    const float bottom = lerp(hashUnit(x0, y1, seed), hashUnit(x1, y1, seed), tx);
    return lerp(top, bottom, ty);
}

float fractalNoise(float x, float y, int basePeriod, int octaves, uint32_t seed) {
    float sum = 0.0f, weight = 1.0f, total = 0.0f;
    int period = basePeriod;
    for (int o = 0; o < octaves; ++o) {
        sum += weight * valueNoise(x * float(period), y * float(period), period, seed + uint32_t(o) * 7919u);
        total += weight;
        weight *= 0.5f;
        period *= 2;
    }
    return total > 0.0f ? sum / total : 0.0f;
}

}  // namespace qm::demo
