// hud.cpp -- drawing the display's panel, the status line and the timeline in window pixels, with the GL
// state saved around them.
#include "live/hud.h"

#include <GL/gl.h>

#include <algorithm>

#include "live/hud_font.h"
#include "runtime/sync_table.h"

namespace qm::live {

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kMargin = 6;

// Window pixels, origin at the bottom left; nothing but the panel and the glyphs
// reaches the pixels, whatever state the demo left. Everything is put back at the end.
class WindowPixels {
public:
    WindowPixels() {
        glPushAttrib(GL_ALL_ATTRIB_BITS);
        glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
        glMatrixMode(GL_TEXTURE);
        glPushMatrix();
        glLoadIdentity();
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glLoadIdentity();
        glOrtho(0, kScreenWidth, 0, kScreenHeight, -1, 1);
        glMatrixMode(GL_MODELVIEW);
        glPushMatrix();
        glLoadIdentity();
        glViewport(0, 0, kScreenWidth, kScreenHeight);

        for (GLenum cap :
             {GL_LIGHTING, GL_TEXTURE_2D, GL_FOG, GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST, GL_STENCIL_TEST,
              GL_SCISSOR_TEST, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T, GL_COLOR_MATERIAL, GL_COLOR_LOGIC_OP,
              GL_POLYGON_STIPPLE, GL_LINE_STIPPLE, GL_LINE_SMOOTH})
            glDisable(cap);
        glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
        glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
        glShadeModel(GL_FLAT);
        glLineWidth(1);
    }
    ~WindowPixels() {
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
        glPopMatrix();
        glPopClientAttrib();
        glPopAttrib();
    }
    WindowPixels(const WindowPixels&) = delete;
    WindowPixels& operator=(const WindowPixels&) = delete;
};

void fillRect(float x0, float y0, float x1, float y1) {
    glBegin(GL_QUADS);
    glVertex2f(x0, y0);
    glVertex2f(x1, y0);
    glVertex2f(x1, y1);
    glVertex2f(x0, y1);
    glEnd();
}

void shade(float x0, float y0, float x1, float y1, float alpha) {
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0, 0, 0, alpha);
    fillRect(x0, y0, x1, y1);
    glDisable(GL_BLEND);
}

void drawPanel(int columns, int rows, int top) {
    const int width = columns * kHudCellWidth + 2 * kMargin;
    const int height = rows * kHudCellHeight + 2 * kMargin;
    shade(0, static_cast<float>(top - height), static_cast<float>(width), static_cast<float>(top), 0.6f);
}

// A tick's colour says what its value does, as the sync table has it.
void tickColour(int value) {
    const SyncValue* row = findSyncValue(value);
    if (row && row->nextScene)
        glColor4f(1, 0.85f, 0.2f, 1);  // a scene change
    else if (row && row->overlayEffect >= 0)
        glColor4f(1, 1, 1, 1);  // an overlay effect
    else
        glColor4f(0.3f, 0.8f, 1, 1);  // the scene's event only
}

}  // namespace

void drawHud(const std::vector<HudLine>& lines, int bottom) {
    if (lines.empty()) return;
    WindowPixels pixels;
    int columns = 0;
    for (const HudLine& line : lines) columns = std::max(columns, static_cast<int>(line.text.size()));
    const size_t fit =
        static_cast<size_t>(std::max(1, (kScreenHeight - bottom - 2 * kMargin) / kHudCellHeight));
    std::vector<HudLine> shown(lines.begin(), lines.begin() + static_cast<long>(std::min(fit, lines.size())));
    if (lines.size() > fit) {  // the last line that fits says how many do not
        shown.back() = {"+" + std::to_string(lines.size() - fit + 1) + " more", 1, 1, 1};
        columns = std::max(columns, static_cast<int>(shown.back().text.size()));
    }
    columns = std::min(columns, kHudColumns);
    const int rows = static_cast<int>(shown.size());
    drawPanel(columns, rows, kScreenHeight);
    for (int i = 0; i < rows; ++i) {
        const HudLine& line = shown[static_cast<size_t>(i)];
        glColor4f(line.red, line.green, line.blue, 1);
        const int baseline = kScreenHeight - kMargin - (i + 1) * kHudCellHeight + 2;
        drawHudText(kMargin, baseline, std::string_view(line.text).substr(0, kHudColumns));
    }
}

void drawStatusLine(const HudLine& line, int bottom) {
    WindowPixels pixels;
    shade(0, static_cast<float>(bottom), kScreenWidth, static_cast<float>(bottom + kHudCellHeight + 4),
          0.75f);
    glColor4f(line.red, line.green, line.blue, 1);
    const size_t columns = (kScreenWidth - 2 * kMargin) / kHudCellWidth;
    drawHudText(kMargin, bottom + 4, std::string_view(line.text).substr(0, columns));
}

void drawTimeline(const TimelineView& view) {
    if (view.length <= 0) return;
    WindowPixels pixels;
    const float scale = static_cast<float>(kScreenWidth / view.length);
    auto xOf = [&](double seconds) {
        return std::clamp(static_cast<float>(seconds) * scale, 0.0f, static_cast<float>(kScreenWidth));
    };
    const float names = kHudCellHeight + 2;  // the entries' row, with their names
    shade(0, 0, kScreenWidth, kTimelineHeight, 0.7f);
    // The playlist entries: blocks of alternate shades, each named as far as it has room.
    for (size_t i = 0; i < view.entries.size(); ++i) {
        const TimelineView::Entry& e = view.entries[i];
        const float x0 = xOf(e.from), x1 = xOf(e.to);
        if (x1 <= x0) continue;
        const float grey = i % 2 ? 0.32f : 0.22f;
        glColor4f(grey, grey, grey + 0.06f, 1);
        fillRect(x0 + 1, 1, x1 - 1, names);
        const size_t room = static_cast<size_t>(std::max(0.0f, (x1 - x0 - 4) / kHudCellWidth));
        glColor4f(0.95f, 0.95f, 0.95f, 1);
        drawHudText(static_cast<int>(x0) + 3, 4, std::string_view(e.name).substr(0, room));
    }
    // The loop: a band over the strip.
    if (view.loop) {
        glEnable(GL_BLEND);
        glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
        glColor4f(1, 0.85f, 0.3f, 0.3f);
        fillRect(xOf(view.loop->first), 0, std::max(xOf(view.loop->second), xOf(view.loop->first) + 1),
                 kTimelineHeight);
        glDisable(GL_BLEND);
    }
    // The sync values: scene changes reach down to the entries, the others stay above.
    glBegin(GL_LINES);
    for (const TimelineView::Tick& t : view.ticks) {
        const SyncValue* row = findSyncValue(t.value);
        tickColour(t.value);
        const float x = xOf(t.at) + 0.5f;
        glVertex2f(x, row && row->nextScene ? 0 : names + 2);
        glVertex2f(x, kTimelineHeight - 2);
    }
    // The marks, and the playhead last, over everything.
    glColor4f(0.4f, 1, 0.4f, 1);
    for (double m : view.marks) {
        glVertex2f(xOf(m) + 0.5f, 0);
        glVertex2f(xOf(m) + 0.5f, kTimelineHeight);
    }
    glEnd();
    glColor4f(1, 0.2f, 0.2f, 1);
    const float head = xOf(view.playhead);
    fillRect(head - 1, 0, head + 1, kTimelineHeight);
}

bool onTimeline(int y) {
    return y >= kScreenHeight - kTimelineHeight && y < kScreenHeight;
}

double timelineSecondsAt(const TimelineView& view, int x) {
    return std::clamp(static_cast<double>(x) + 0.5, 0.0, double{kScreenWidth}) * view.length / kScreenWidth;
}

}  // namespace qm::live
