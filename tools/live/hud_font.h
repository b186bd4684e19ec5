// hud_font.h -- the live display's built-in bitmap font (not the demo's font pages).
#pragma once

#include <string_view>

namespace qm::live {

// Glyphs of 5x7 pixels drawn twice their size, in cells of 12x18.
inline constexpr int kHudGlyphWidth = 10;
inline constexpr int kHudGlyphHeight = 14;
inline constexpr int kHudCellWidth = 12;
inline constexpr int kHudCellHeight = 18;

// Draws printable ASCII (anything else as '?'), the bottom left of the first glyph
// at window pixel (x, y), in the current colour. The caller sets up a window-pixel
// projection and the state (no texturing, lighting, depth test, culling ...).
void drawHudText(int x, int y, std::string_view text);

}  // namespace qm::live
