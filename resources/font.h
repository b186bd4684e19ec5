// font.h -- the bitmap font of two glyph pages, shared by every text object of a run.
#pragma once

#include <string_view>

#include "resources/texture.h"

namespace qm {

// Glyphs 0 to 31 form a sheet of 4 rows and 8 columns; columns 0 to 3 are on page 1,
// columns 4 to 7 on page 2. Each page is a 4 x 4 grid of equal cells, row 0 at the top
// of the picture. The letters a to z are glyphs 0 to 25.
class Font {
public:
    static constexpr float kAdvance = 0.6f;  // cells are 1 unit wide, so neighbours overlap

    // The pages are read from `files`, which the font borrows.
    explicit Font(FileSource& files) : files_(files) {}
    Font(const Font&) = delete;
    Font& operator=(const Font&) = delete;

    // Reads and uploads both pages with nearest filtering, once: later calls do
    // nothing until unload. Needs a current GL context, unless uploads are off.
    void loadPages(std::string_view page1Path, std::string_view page2Path);
    // Draws the text at the current modelview matrix, one unit per glyph cell, up to
    // the first zero character. A line feed or "." starts the next line one unit
    // down. The pen's translations are left in the matrix; the caller saves it. In a
    // frame that is not drawn no quad is sent, only what they would leave current.
    void drawString(std::string_view text, bool drawn);
    // Deletes both page textures and makes the next loadPages read them again.
    // The context that owns the textures must be current.
    void unload();

    // The glyph number of a character: its code minus that of "a", as a signed byte.
    static int glyphOf(char c);
    // Glyphs 0 to kGlyphCount - 1 are on the pages ("a" to "z" and the five codes after).
    static constexpr int kGlyphCount = 32;

    // Tools that read scripts without a GL context turn uploads off. On by default.
    void setUploads(bool uploads) { uploads_ = uploads; }

    Texture page1;
    Texture page2;
    bool pagesPending = true;

private:
    FileSource& files_;
    bool uploads_ = true;
};

}  // namespace qm
