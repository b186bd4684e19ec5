// offscreen_gles.cpp -- OffscreenGl on an OpenGL ES 2 context (Mesa's EGL surfaceless platform), for the
// webgl layer.
//
// Built into the core library's ES 2 copy in place of platform/offscreen_gl.cpp: the
// same class, the same pbuffer, but the context is the one WebGL 1 resembles, and the
// webgl layer is told that it starts afresh.
#include <GLES2/gl2.h>

#include "GL/qmgl_calls.h"
#include "platform/egl_pbuffer.h"
#include "platform/gl_driver.h"
#include "platform/offscreen_gl.h"
#include "platform/webgl/qmgl_context.h"

namespace qm {

OffscreenGl::~OffscreenGl() {
    destroy();
}

bool OffscreenGl::create(int width, int height, std::string& error) {
    destroy();
    if (!openEglPbuffer(EglApi::Es2, width, height, display_, surface_, context_, error)) return false;
    width_ = width;
    height_ = height;
    keepGlDriverLoaded();
    qmgl_ContextCreated();
    return true;
}

void OffscreenGl::destroy() {
    closeEglPbuffer(display_, surface_, context_);
}

std::vector<uint8_t> OffscreenGl::readPixels() const {
    std::vector<uint8_t> rgba(static_cast<size_t>(width_) * height_ * 4);
    qmgl_PixelStorei(GL_PACK_ALIGNMENT, 1);
    qmgl_ReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

}  // namespace qm
