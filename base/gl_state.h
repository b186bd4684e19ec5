// gl_state.h -- the player's projection, the GL state it fixes once at start-up, and a way back.
#pragma once

namespace qm {

// The 4:3 frustum (near 1, far 500) and the 800x600 viewport; leaves the modelview
// matrix current, as it stays for the whole run.
void setUpPlayerProjection();
// Dither, texturing, less-or-equal depth test, back-face culling, alpha blending and
// the clear colour (0.7, 0, 0.5).
void setPlayerFixedState();
// Every piece of GL state that the program or its objects change goes back to
// OpenGL's initial value, as in a context just made: a demo started again in the
// same context then draws exactly as in a new process.
void resetGlState();

}  // namespace qm
