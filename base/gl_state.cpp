// gl_state.cpp -- the player's projection, the GL state fixed once at start-up, and GL's initial state.
#include "base/gl_state.h"

#include <GL/gl.h>
#ifdef _WIN32
#include <GL/glext.h>  // Windows' gl.h stops at OpenGL 1.1
#endif

#include <initializer_list>

namespace qm {

void setUpPlayerProjection(const PictureRect& picture) {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.2, 1.2, -0.9, 0.9, 1.0, 500.0);  // the 4:3 screen gets a 4:3 frustum
    glMatrixMode(GL_MODELVIEW);                   // stays the current mode for the whole run
    glViewport(picture.x, picture.y, picture.width, picture.height);
    // A clear ignores the viewport; the scissor box keeps the clear colour off the bars.
    glScissor(picture.x, picture.y, picture.width, picture.height);
    glEnable(GL_SCISSOR_TEST);
    setLineWidth(1, picture.scale());  // GL's initial width, in the picture's pixels
}

void setLineWidth(float pixels, float scale) {
    glLineWidth(pixels * scale);
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

void resetGlState() {
    for (GLenum cap : {GL_TEXTURE_2D, GL_DEPTH_TEST, GL_CULL_FACE, GL_BLEND, GL_LIGHTING, GL_LIGHT0,
                       GL_LIGHT1, GL_COLOR_MATERIAL, GL_FOG, GL_TEXTURE_GEN_S, GL_TEXTURE_GEN_T,
                       GL_RASTERIZER_DISCARD, GL_SCISSOR_TEST})
        glDisable(cap);
    glEnable(GL_DITHER);
    for (GLenum array : {GL_VERTEX_ARRAY, GL_NORMAL_ARRAY, GL_COLOR_ARRAY, GL_TEXTURE_COORD_ARRAY})
        glDisableClientState(array);
    glDepthFunc(GL_LESS);
    glDepthMask(GL_TRUE);
    glCullFace(GL_BACK);
    glBlendFunc(GL_ONE, GL_ZERO);
    glClearColor(0, 0, 0, 0);
    glLineWidth(1);
    glHint(GL_FOG_HINT, GL_DONT_CARE);
    glBindTexture(GL_TEXTURE_2D, 0);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);

    for (GLenum mode : {GL_TEXTURE, GL_PROJECTION, GL_MODELVIEW}) {
        glMatrixMode(mode);
        glLoadIdentity();
    }
    // Light positions are taken through the modelview matrix, which is the identity here.
    const float black[] = {0, 0, 0, 1};
    const float white[] = {1, 1, 1, 1};
    const float overhead[] = {0, 0, 1, 0};
    glLightfv(GL_LIGHT0, GL_AMBIENT, black);
    glLightfv(GL_LIGHT0, GL_DIFFUSE, white);
    glLightfv(GL_LIGHT0, GL_SPECULAR, white);
    glLightfv(GL_LIGHT0, GL_POSITION, overhead);
    glLightfv(GL_LIGHT1, GL_AMBIENT, black);
    glLightfv(GL_LIGHT1, GL_DIFFUSE, black);
    glLightfv(GL_LIGHT1, GL_SPECULAR, black);
    glLightfv(GL_LIGHT1, GL_POSITION, overhead);

    const float clear[] = {0, 0, 0, 0};
    glFogi(GL_FOG_MODE, GL_EXP);
    glFogf(GL_FOG_DENSITY, 1);
    glFogf(GL_FOG_START, 0);
    glFogf(GL_FOG_END, 1);
    glFogfv(GL_FOG_COLOR, clear);
    glTexGeni(GL_S, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);
    glTexGeni(GL_T, GL_TEXTURE_GEN_MODE, GL_EYE_LINEAR);

    glColor4f(1, 1, 1, 1);
    glNormal3f(0, 0, 1);
    glTexCoord4f(0, 0, 0, 1);
}

}  // namespace qm
