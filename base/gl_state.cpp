// gl_state.cpp -- the player's projection and the GL state fixed once at start-up.
#include "base/gl_state.h"

#include <GL/gl.h>

namespace qm {

void setUpPlayerProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.2, 1.2, -0.9, 0.9, 1.0, 500.0);  // the 4:3 screen gets a 4:3 frustum
    glMatrixMode(GL_MODELVIEW);                     // stays the current mode for the whole run
    glViewport(0, 0, 800, 600);
}

void setPlayerFixedState() {
    glEnable(GL_DITHER);
    glEnable(GL_TEXTURE_2D);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.7f, 0.0f, 0.5f, 1.0f);
}

}  // namespace qm
