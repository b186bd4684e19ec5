// camera.cpp -- the camera's inverse placement transform.
#include "scene/camera.h"

#include <GL/gl.h>

namespace qm {

void Camera::transform(const FrameContext& frame) {
    if (rotating) advanceSpin(frame.delta);
    // Roll about the line of sight first, then pitch, then yaw: with no roll this
    // is the exact inverse of an object's translate, rotate z, y, x.
    glRotatef(-rotation.z, 0, 0, 1);
    glRotatef(-rotation.x, 1, 0, 0);
    glRotatef(-rotation.y, 0, 1, 0);
    glTranslatef(-position.x, -position.y, -position.z);
}

}  // namespace qm
