// pixel_order.h -- the byte order of the four-byte pixels read back from OpenGL.
#pragma once

namespace qm::capture {

// Software OpenGL keeps its colour buffer as BGRA bytes; reading it back in that
// order is a plain copy, where RGBA costs a swizzle of every pixel on the renderer's
// thread. The encoders take either.
enum class PixelOrder { Rgba, Bgra };

// Where red and blue lie in a pixel of that order (green is always at 1).
constexpr int redAt(PixelOrder order) {
    return order == PixelOrder::Bgra ? 2 : 0;
}
constexpr int blueAt(PixelOrder order) {
    return 2 - redAt(order);
}

}  // namespace qm::capture
