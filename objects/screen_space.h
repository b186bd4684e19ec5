// screen_space.h -- drawing in normalised device coordinates, for the objects that cover the screen.
#pragma once

#include <GL/gl.h>

namespace qm {

// Saves both matrices and loads identities; the projection matrix is current after it.
inline void beginScreenSpace() {
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();
}

// Restores both matrices, whichever is current; the modelview matrix is current after it.
inline void endScreenSpace() {
    glMatrixMode(GL_PROJECTION);
    glPopMatrix();
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
}

}  // namespace qm
