// gl_state.h -- the player's projection, the GL state it fixes once at start-up, and a way back.
#pragma once

namespace qm {

// Where the picture lies on the GL surface, in pixels from the lower left corner. The
// player's fills its 800x600 screen; a tool that renders at another size puts the 4:3
// picture into a larger surface, and the rest of the surface stays black.
struct PictureRect {
    int x = 0;
    int y = 0;
    int width = 800;
    int height = 600;

    // The picture's size against the player's screen (the picture is always 4:3).
    float scale() const { return static_cast<float>(height) / 600.0f; }
};

// The 4:3 frustum (near 1, far 500), the viewport on the picture and a scissor box on
// it (so that clearing fills only the picture), and the line width for the picture's
// size; leaves the modelview matrix current, as it stays for the whole run.
void setUpPlayerProjection(const PictureRect& picture);
// Lines are as wide as `pixels` would be on the player's 800x600 screen: widths keep
// their proportion to the picture at any size (`scale`: PictureRect::scale).
void setLineWidth(float pixels, float scale);
// Dither, texturing, less-or-equal depth test, back-face culling, alpha blending and
// the clear colour (0.7, 0, 0.5).
void setPlayerFixedState();
// Every piece of GL state that the program or its objects change goes back to
// OpenGL's initial value, as in a context just made: a demo started again in the
// same context then draws exactly as in a new process.
void resetGlState();

}  // namespace qm
