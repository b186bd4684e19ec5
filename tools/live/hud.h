// hud.h -- the live tool's heads-up display: lines of text in a panel over the demo's picture, a status line
// and the timeline strip.
#pragma once

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace qm::live {

struct HudLine {
    std::string text;
    float red = 1, green = 1, blue = 1;
};

// Lines wider than the screen are cut here.
inline constexpr int kHudColumns = 64;

// Draws the lines in a dark panel at the top left of the 800x600 screen, after the
// demo's picture and overlay, down to `bottom` window pixels above the screen's
// bottom edge; lines that do not fit give way to a last line "+N more". Every piece
// of GL state it touches is put back as it was (attributes, client attributes, the
// three matrices), so that the demo's next frame draws exactly as if there were no
// display. The same holds for the other drawing functions here.
void drawHud(const std::vector<HudLine>& lines, int bottom = 0);

// One line in a dark band across the screen, its bottom `bottom` pixels above the
// screen's bottom edge.
void drawStatusLine(const HudLine& line, int bottom);

// The song's first pass along the bottom edge of the screen, its full width: the
// playlist entries as named blocks, every Zxx as a tick coloured by what it does (a
// scene change, an overlay effect, or only the scene's event), the loop, the marks
// and the playhead.
struct TimelineView {
    double length = 0;  // seconds from the left edge to the right: the first pass
    struct Entry {
        double from = 0, to = 0;
        std::string name;
    };
    std::vector<Entry> entries;
    struct Tick {
        double at = 0;
        int value = 0;
    };
    std::vector<Tick> ticks;
    std::vector<double> marks;
    std::optional<std::pair<double, double>> loop;
    double playhead = 0;
};
inline constexpr int kTimelineHeight = 40;
void drawTimeline(const TimelineView& view);

// Window pixels (from the top left, as the mouse reports them) on the strip, and the
// time under a column of it.
bool onTimeline(int y);
double timelineSecondsAt(const TimelineView& view, int x);

}  // namespace qm::live
