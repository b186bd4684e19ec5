// mipmaps.h -- the mipmap chain that GLU builds for an RGBA picture, computed without GL.
#pragma once

#include <cstdint>
#include <vector>

namespace qmgl {

struct MipLevel {
    int width = 0;
    int height = 0;
    std::vector<uint8_t> rgba;  // rows bottom to top as given, 4 bytes a pixel, no padding
};

// GLU's choice of a power of two for a side: the power below, or the one above when
// the size is at least one and a half times the power below (100 -> 128, 95 -> 64).
int nearestPowerOfTwo(int size);

// Level 0 is the picture scaled to powers of two by GLU's area-weighted box filter
// (unchanged when its sides already are powers of two); each further level halves the
// one before by averaging 2x2 blocks (2x1 once a side is down to 1), to 1x1. Byte for
// byte what gluBuild2DMipmaps hands to glTexImage2D for GL_RGBA / GL_UNSIGNED_BYTE.
std::vector<MipLevel> buildMipChain(const uint8_t* rgba, int width, int height);

}  // namespace qmgl
