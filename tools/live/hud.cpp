// hud.cpp -- drawing the display's panel and text in window pixels, with the GL state saved around it.
#include "live/hud.h"

#include <GL/gl.h>

#include <algorithm>

#include "live/hud_font.h"

namespace qm::live {

namespace {

constexpr int kScreenWidth = 800;
constexpr int kScreenHeight = 600;
constexpr int kMargin = 6;

// Window pixels, origin at the bottom left; nothing but the panel and the glyphs
// reaches the pixels, whatever state the demo left.
void enterWindowPixels() {
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

    for (GLenum cap : {GL_LIGHTING, GL_TEXTURE_2D, GL_FOG, GL_DEPTH_TEST, GL_CULL_FACE, GL_ALPHA_TEST,
                       GL_STENCIL_TEST, GL_SCISSOR_TEST, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
                       GL_COLOR_MATERIAL, GL_COLOR_LOGIC_OP, GL_POLYGON_STIPPLE})
        glDisable(cap);
    glColorMask(GL_TRUE, GL_TRUE, GL_TRUE, GL_TRUE);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    glShadeModel(GL_FLAT);
}

void leaveWindowPixels() {
    glMatrixMode(GL_TEXTURE);
    glPopMatrix();
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

void drawPanel(int columns, int rows) {
    const int width = columns * kHudCellWidth + 2 * kMargin;
    const int height = rows * kHudCellHeight + 2 * kMargin;
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glColor4f(0, 0, 0, 0.6f);
    glBegin(GL_QUADS);
    glVertex2i(0, kScreenHeight);
    glVertex2i(0, kScreenHeight - height);
    glVertex2i(width, kScreenHeight - height);
    glVertex2i(width, kScreenHeight);
    glEnd();
    glDisable(GL_BLEND);
}

}  // namespace

void drawHud(const std::vector<HudLine>& lines) {
    if (lines.empty()) return;
    glPushAttrib(GL_ALL_ATTRIB_BITS);
    glPushClientAttrib(GL_CLIENT_ALL_ATTRIB_BITS);
    enterWindowPixels();

    int columns = 0;
    for (const HudLine& line : lines) columns = std::max(columns, static_cast<int>(line.text.size()));
    columns = std::min(columns, kHudColumns);
    const int rows = std::min(static_cast<int>(lines.size()), (kScreenHeight - 2 * kMargin) / kHudCellHeight);
    drawPanel(columns, rows);
    for (int i = 0; i < rows; ++i) {
        const HudLine& line = lines[static_cast<size_t>(i)];
        glColor4f(line.red, line.green, line.blue, 1);
        const int baseline = kScreenHeight - kMargin - (i + 1) * kHudCellHeight + 2;
        drawHudText(kMargin, baseline, std::string_view(line.text).substr(0, kHudColumns));
    }

    leaveWindowPixels();
    glPopClientAttrib();
    glPopAttrib();
}

}  // namespace qm::live
