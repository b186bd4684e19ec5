// gl_state.h -- the player's projection and the GL state it fixes once at start-up.
#pragma once

namespace qm {

// The 4:3 frustum (near 1, far 500) and the 800x600 viewport; leaves the modelview
// matrix current, as it stays for the whole run.
void setUpPlayerProjection();
// Dither, texturing, less-or-equal depth test, back-face culling, alpha blending and
// the clear colour (0.7, 0, 0.5).
void setPlayerFixedState();

}  // namespace qm
