// fast_forward.cpp -- entering and leaving a fast-forward step.
#include "base/fast_forward.h"

#include <GL/gl.h>

namespace qm {

void beginFastForwardStep() {
    glEnable(GL_RASTERIZER_DISCARD);
}

void endFastForwardStep() {
    glDisable(GL_RASTERIZER_DISCARD);
}

}  // namespace qm
