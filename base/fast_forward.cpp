// fast_forward.cpp -- entering and leaving a fast-forward step.
#include "base/fast_forward.h"

#include <GL/gl.h>
#ifdef _WIN32
#include <GL/glext.h>  // Windows' gl.h stops at OpenGL 1.1
#endif

namespace qm {

void beginFastForwardStep() {
    glEnable(GL_RASTERIZER_DISCARD);
}

void endFastForwardStep() {
    glDisable(GL_RASTERIZER_DISCARD);
}

}  // namespace qm
