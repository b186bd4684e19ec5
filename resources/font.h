// font.h -- the bitmap font of two glyph pages, shared by every text object.
#pragma once

namespace qm {

class Font {};

extern Font sharedFont;

}  // namespace qm
