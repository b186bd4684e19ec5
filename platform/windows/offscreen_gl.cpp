// offscreen_gl.cpp -- Windows: no offscreen OpenGL context (Linux makes one with Mesa's EGL); create fails.
#include "platform/offscreen_gl.h"

namespace qm {

OffscreenGl::~OffscreenGl() = default;

// The offline tools that draw offscreen (capture, live) are Linux programs; on Windows
// the offline driver still runs the demo's clock and music, without pixels.
bool OffscreenGl::create(int, int, std::string& error) {
    error = "no offscreen OpenGL context on Windows";
    return false;
}

void OffscreenGl::destroy() {}

std::vector<uint8_t> OffscreenGl::readPixels() const {
    return {};
}

}  // namespace qm
