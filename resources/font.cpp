// font.cpp -- glyph pages and string drawing of the bitmap font.
#include "resources/font.h"

#include <GL/gl.h>

#include <cstdint>

namespace qm {

namespace {

void loadPage(Texture& page, std::string_view path, FileSource& files, bool upload) {
    page.loadImage(path, files);
    page.setFilter(gl::kNearest, gl::kNearest);  // sharp glyph pixels; wrapping stays GL_CLAMP
    if (upload) page.upload();
}

// One glyph cell as a 1 x 1 quad with its top up.
void drawGlyphQuad(float s0, float s1, float t0, float t1, bool drawn) {
    if (!drawn) {  // no quad, but the texture coordinate it leaves current
        glTexCoord2f(s1, t1);
        return;
    }
    glBegin(GL_QUADS);
    glTexCoord2f(s1, t0);
    glVertex3f(1, 1, -1);
    glTexCoord2f(s0, t0);
    glVertex3f(0, 1, -1);
    glTexCoord2f(s0, t1);
    glVertex3f(0, 0, -1);
    glTexCoord2f(s1, t1);
    glVertex3f(1, 0, -1);
    glEnd();
}

}  // namespace

int Font::glyphOf(char c) {
    return static_cast<int8_t>(static_cast<uint8_t>(static_cast<uint8_t>(c) - 97));
}

void Font::loadPages(std::string_view page1Path, std::string_view page2Path) {
    if (!pagesPending) return;
    loadPage(page1, page1Path, files_, uploads_);
    loadPage(page2, page2Path, files_, uploads_);
    pagesPending = false;
}

void Font::unload() {
    page1.release();
    page2.release();
    pagesPending = true;
}

void Font::drawString(std::string_view text, bool drawn) {
    glEnable(GL_TEXTURE_2D);
    float x = 0;
    for (const char c : text) {
        if (c == '\0') break;
        if (c == '\n' || c == '.') {  // a full stop is a line break too, and draws nothing
            glTranslatef(-x, -1, 0);
            x = 0;
            continue;
        }
        if (c != ' ') {
            // Characters outside a to z and the five codes after it fall outside the
            // sheet; with clamped pages their quads show the page's border texels.
            const int g = glyphOf(c);
            const int row = g / 8;
            int col = g - row * 8;
            if (col < 4) {
                page1.bind();
            } else {
                page2.bind();
                col -= 4;
            }
            drawGlyphQuad(col * 0.25f, (col + 1) * 0.25f, row * 0.25f, (row + 1) * 0.25f, drawn);
        }
        glTranslatef(kAdvance, 0, 0);
        x += kAdvance;
    }
}

}  // namespace qm
