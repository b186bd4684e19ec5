// offscreen_gl.cpp -- EGL surfaceless context creation and pixel read-back.
#include "platform/offscreen_gl.h"

#include <GL/gl.h>

#include "platform/egl_pbuffer.h"
#include "platform/gl_driver.h"

namespace qm {

OffscreenGl::~OffscreenGl() {
    destroy();
}

bool OffscreenGl::create(int width, int height, std::string& error) {
    destroy();
    if (!openEglPbuffer(EglApi::DesktopGl, width, height, display_, surface_, context_, error)) return false;
    width_ = width;
    height_ = height;
    keepGlDriverLoaded();
    return true;
}

void OffscreenGl::destroy() {
    closeEglPbuffer(display_, surface_, context_);
}

std::vector<uint8_t> OffscreenGl::readPixels() const {
    std::vector<uint8_t> rgba(static_cast<size_t>(width_) * height_ * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

}  // namespace qm
