// image.h -- in-memory pictures of the demo-content generator: RGBA and palette images, top row first.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace qm::demo {

struct Rgba {
    uint8_t r = 0, g = 0, b = 0, a = 255;
    bool operator==(const Rgba&) const = default;
};

// width x height pixels, row 0 is the top of the picture as a viewer sees it.
struct Image {
    int width = 0;
    int height = 0;
    std::vector<Rgba> pixels;

    Image() = default;
    Image(int w, int h, Rgba fill = {}) : width(w), height(h), pixels(size_t(w) * size_t(h), fill) {}
    Rgba& at(int x, int y) { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
    const Rgba& at(int x, int y) const { return pixels[size_t(y) * size_t(width) + size_t(x)]; }
};

// A picture of palette indices; row 0 is the top.
struct IndexedImage {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> indices;
    std::vector<Rgba> palette;  // at most 256 entries

    IndexedImage() = default;
    IndexedImage(int w, int h) : width(w), height(h), indices(size_t(w) * size_t(h), 0) {}
    uint8_t& at(int x, int y) { return indices[size_t(y) * size_t(width) + size_t(x)]; }
};

// Channel helpers: floats in 0..1 become bytes, clamped and rounded.
uint8_t toByte(float v);
Rgba rgbaFromFloats(float r, float g, float b, float a = 1.0f);
// Linear blend of two colours, t in 0..1.
Rgba mix(Rgba a, Rgba b, float t);

}  // namespace qm::demo
