// font_pages.h -- the demo's bitmap font: glyph designs and the two glyph pages.
#pragma once

#include "tools/demo/image.h"

namespace qm::demo {

constexpr int kFontCellSize = 64;                 // pixels per glyph cell, both ways
constexpr int kFontPageSize = 4 * kFontCellSize;  // each page is 4 x 4 cells

// Page 1 holds sheet columns 0-3, page 2 columns 4-7, of the 4-row, 8-column glyph sheet:
// glyph g (character code - 97) sits in row g / 8, column g % 8, top row of cells first.
// Glyphs are white with a dark soft outline on a transparent ground, upright.
Image renderFontPage(int page);

}  // namespace qm::demo
