// font_pages.cpp -- a 5 x 9 pixel design for a..z and the six codes after z, scaled up with
// rounded edges and a dark outline so that text reads over any picture.
#include "tools/demo/font_pages.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>
#include <vector>

#include "tools/demo/noise.h"

namespace qm::demo {

namespace {

constexpr int kGlyphCount = 32;
constexpr int kGridWidth = 5;
constexpr int kGridHeight = 9;  // rows 0-1 ascenders, 2-6 the x-height, 7-8 descenders
constexpr int kGridPixel = 6;   // page pixels per design pixel
constexpr int kGlyphLeft = 5;   // ink starts here in the cell; the pen advances 0.6 of a cell
constexpr int kGlyphTop = 5;
constexpr float kOutlineRadius = 3.0f;
constexpr float kOutlineAlpha = 0.8f;

using Pattern = std::array<std::string_view, kGridHeight>;

// Glyph g is character code 97 + g: a..z, then { | } ~, a heart (127) and a block (128).
constexpr std::array<Pattern, kGlyphCount> kGlyphs = {{
    {".....", ".....", ".###.", "....#", ".####", "#...#", ".####", ".....", "....."},  // a
    {"#....", "#....", "####.", "#...#", "#...#", "#...#", "####.", ".....", "....."},  // b
    {".....", ".....", ".####", "#....", "#....", "#....", ".####", ".....", "....."},  // c
    {"....#", "....#", ".####", "#...#", "#...#", "#...#", ".####", ".....", "....."},  // d
    {".....", ".....", ".###.", "#...#", "#####", "#....", ".####", ".....", "....."},  // e
    {"..##.", ".#...", "####.", ".#...", ".#...", ".#...", ".#...", ".....", "....."},  // f
    {".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", "####."},  // g
    {"#....", "#....", "####.", "#...#", "#...#", "#...#", "#...#", ".....", "....."},  // h
    {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###.", ".....", "....."},  // i
    {"...#.", ".....", "..##.", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."},  // j
    {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#.", ".....", "....."},  // k
    {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###.", ".....", "....."},  // l
    {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#.#.#", "#...#", ".....", "....."},  // m
    {".....", ".....", "####.", "#...#", "#...#", "#...#", "#...#", ".....", "....."},  // n
    {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###.", ".....", "....."},  // o
    {".....", ".....", "####.", "#...#", "#...#", "#...#", "####.", "#....", "#...."},  // p
    {".....", ".....", ".####", "#...#", "#...#", "#...#", ".####", "....#", "....#"},  // q
    {".....", ".....", "#.##.", "##..#", "#....", "#....", "#....", ".....", "....."},  // r
    {".....", ".....", ".####", "#....", ".###.", "....#", "####.", ".....", "....."},  // s
    {".#...", ".#...", "####.", ".#...", ".#...", ".#..#", "..##.", ".....", "....."},  // t
    {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#", ".....", "....."},  // u
    {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#..", ".....", "....."},  // v
    {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#.", ".....", "....."},  // w
    {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", ".....", "....."},  // x
    {".....", ".....", "#...#", "#...#", "#...#", "#...#", ".####", "....#", ".###."},  // y
    {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####", ".....", "....."},  // z
    {"...##", "..#..", "..#..", "..#..", "##...", "..#..", "..#..", "..#..", "...##"},  // {
    {"..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},  // |
    {"##...", "..#..", "..#..", "..#..", "...##", "..#..", "..#..", "..#..", "##..."},  // }
    {".....", ".....", ".....", ".#...", "#.#.#", "...#.", ".....", ".....", "....."},  // ~
    {".....", ".#.#.", "#####", "#####", "#####", ".###.", "..#..", ".....", "....."},  // heart
    {"#####", "#####", "#####", "#####", "#####", "#####", "#####", ".....", "....."},  // block
}};

constexpr bool patternsWellFormed() {
    for (const Pattern& p : kGlyphs) {
        for (std::string_view row : p) {
            if (row.size() != kGridWidth) return false;
            for (char c : row)
                if (c != '#' && c != '.') return false;
        }
    }
    return true;
}
static_assert(patternsWellFormed(), "every glyph row is five '#' or '.' characters");

bool designInk(const Pattern& p, int gx, int gy) {
    if (gx < 0 || gy < 0 || gx >= kGridWidth || gy >= kGridHeight) return false;
    return p[size_t(gy)][size_t(gx)] == '#';
}

// Ink coverage of one cell: the design sampled bilinearly between pixel centres and cut
// a little below one half, which rounds corners, joins diagonal steps and thickens
// strokes slightly.
std::vector<float> inkCoverage(const Pattern& p) {
    std::vector<float> ink(size_t(kFontCellSize) * kFontCellSize, 0.0f);
    for (int y = 0; y < kFontCellSize; ++y) {
        for (int x = 0; x < kFontCellSize; ++x) {
            const float u = (float(x) + 0.5f - kGlyphLeft) / kGridPixel - 0.5f;
            const float v = (float(y) + 0.5f - kGlyphTop) / kGridPixel - 0.5f;
            const int gx = int(std::floor(u)), gy = int(std::floor(v));
            const float tx = u - float(gx), ty = v - float(gy);
            auto at = [&](int dx, int dy) { return designInk(p, gx + dx, gy + dy) ? 1.0f : 0.0f; };
            const float top = at(0, 0) + (at(1, 0) - at(0, 0)) * tx;
            const float bottom = at(0, 1) + (at(1, 1) - at(0, 1)) * tx;
            const float f = top + (bottom - top) * ty;
            ink[size_t(y) * kFontCellSize + x] = smoothstep(0.25f, 0.45f, f);
        }
    }
    return ink;
}

// A dark rim around the ink, fading out over the last pixel of its radius.
std::vector<float> outline(const std::vector<float>& ink) {
    const int reach = int(std::ceil(kOutlineRadius)) + 1;
    std::vector<float> rim(ink.size(), 0.0f);
    for (int y = 0; y < kFontCellSize; ++y) {
        for (int x = 0; x < kFontCellSize; ++x) {
            float nearest = 1e9f;
            for (int dy = -reach; dy <= reach; ++dy) {
                for (int dx = -reach; dx <= reach; ++dx) {
                    const int sx = x + dx, sy = y + dy;
                    if (sx < 0 || sy < 0 || sx >= kFontCellSize || sy >= kFontCellSize) continue;
                    if (ink[size_t(sy) * kFontCellSize + sx] < 0.5f) continue;
                    nearest = std::min(nearest, std::sqrt(float(dx * dx + dy * dy)));
                }
            }
            rim[size_t(y) * kFontCellSize + x] = clamp01(kOutlineRadius + 0.5f - nearest) * kOutlineAlpha;
        }
    }
    return rim;
}

void drawGlyph(Image& page, int cellX, int cellY, const Pattern& p) {
    const std::vector<float> ink = inkCoverage(p);
    const std::vector<float> rim = outline(ink);
    for (int y = 0; y < kFontCellSize; ++y) {
        for (int x = 0; x < kFontCellSize; ++x) {
            const size_t i = size_t(y) * kFontCellSize + x;
            // White ink over a black rim.
            const float alpha = ink[i] + rim[i] * (1.0f - ink[i]);
            const float white = alpha > 0.0f ? ink[i] / alpha : 0.0f;
            const uint8_t level = toByte(white);
            page.at(cellX * kFontCellSize + x, cellY * kFontCellSize + y) = {level, level, level,
                                                                             toByte(alpha)};
        }
    }
}

}  // namespace

Image renderFontPage(int page) {
    Image image(kFontPageSize, kFontPageSize, Rgba{0, 0, 0, 0});
    if (page != 1 && page != 2) return image;
    for (int g = 0; g < kGlyphCount; ++g) {
        const int row = g / 8, column = g % 8;
        const bool onPageOne = column < 4;
        if (onPageOne != (page == 1)) continue;
        drawGlyph(image, column % 4, row, kGlyphs[size_t(g)]);
    }
    return image;
}

}  // namespace qm::demo
