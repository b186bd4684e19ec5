// hud.h -- the live tool's heads-up display: lines of text in a panel over the demo's picture.
#pragma once

#include <string>
#include <vector>

namespace qm::live {

struct HudLine {
    std::string text;
    float red = 1, green = 1, blue = 1;
};

// Lines wider than the screen are cut here.
inline constexpr int kHudColumns = 64;

// Draws the lines in a dark panel at the top left of the 800x600 screen, after the
// demo's picture and overlay. Every piece of GL state it touches is put back as it
// was (attributes, client attributes, the three matrices), so that the demo's next
// frame draws exactly as if there were no display.
void drawHud(const std::vector<HudLine>& lines);

}  // namespace qm::live
