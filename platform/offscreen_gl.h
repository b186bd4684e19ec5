// offscreen_gl.h -- a real OpenGL context without a display: Mesa's EGL surfaceless platform.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qm {

// An 800x600 (or other size) pbuffer with a compatibility-profile context, which
// gives all of OpenGL 1.1's fixed function. Software rendering (llvmpipe) is forced
// unless the environment already chose otherwise, so pixels repeat run to run.
class OffscreenGl {
public:
    OffscreenGl() = default;
    OffscreenGl(const OffscreenGl&) = delete;
    OffscreenGl& operator=(const OffscreenGl&) = delete;
    ~OffscreenGl();

    bool create(int width, int height, std::string& error);
    void destroy();
    bool valid() const { return context_ != nullptr; }
    int width() const { return width_; }
    int height() const { return height_; }

    // The colour buffer as RGBA bytes, bottom row first (OpenGL's order).
    std::vector<uint8_t> readPixels() const;

private:
    void* display_ = nullptr;
    void* surface_ = nullptr;
    void* context_ = nullptr;
    int width_ = 0;
    int height_ = 0;
};

}  // namespace qm
