// offscreen_webgl.cpp -- OffscreenGl on the page's canvas: a WebGL 1 context that keeps its picture.
//
// Built into the web build in place of platform/offscreen_gl.cpp, so that the
// offline (fixed-step) driver renders in the browser exactly as the capture tool
// does natively. The context keeps its drawing buffer, so the frame drawn last
// stays readable (canvas.toDataURL) after the animation callback has returned.
#include <GLES2/gl2.h>
#include <emscripten/html5.h>

#include <cstdint>

#include "GL/qmgl_calls.h"
#include "platform/webgl/qmgl_context.h"
// The class keeps fields for EGL's display and surface, which a canvas does not have.
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wunused-private-field"
#include "platform/offscreen_gl.h"
#pragma clang diagnostic pop

namespace qm {

namespace {

constexpr const char* kCanvas = "#canvas";

EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handleOf(void* context) {
    return static_cast<EMSCRIPTEN_WEBGL_CONTEXT_HANDLE>(reinterpret_cast<intptr_t>(context));
}

}  // namespace

OffscreenGl::~OffscreenGl() {
    destroy();
}

bool OffscreenGl::create(int width, int height, std::string& error) {
    destroy();
    emscripten_set_canvas_element_size(kCanvas, width, height);
    EmscriptenWebGLContextAttributes attributes;
    emscripten_webgl_init_context_attributes(&attributes);
    attributes.alpha = false;  // the picture is opaque, as the player's screen is
    attributes.depth = true;
    attributes.stencil = false;
    attributes.antialias = false;
    attributes.preserveDrawingBuffer = true;
    attributes.majorVersion = 1;
    attributes.minorVersion = 0;
    const EMSCRIPTEN_WEBGL_CONTEXT_HANDLE handle = emscripten_webgl_create_context(kCanvas, &attributes);
    if (handle <= 0) {
        error = "the browser gives the canvas no WebGL 1 context";
        return false;
    }
    if (emscripten_webgl_make_context_current(handle) != EMSCRIPTEN_RESULT_SUCCESS) {
        emscripten_webgl_destroy_context(handle);
        error = "cannot make the canvas's WebGL context current";
        return false;
    }
    context_ = reinterpret_cast<void*>(static_cast<intptr_t>(handle));
    width_ = width;
    height_ = height;
    qmgl_ContextCreated();
    return true;
}

void OffscreenGl::destroy() {
    if (!context_) return;
    emscripten_webgl_destroy_context(handleOf(context_));
    context_ = nullptr;
}

std::vector<uint8_t> OffscreenGl::readPixels() const {
    std::vector<uint8_t> rgba(static_cast<size_t>(width_) * height_ * 4);
    qmgl_PixelStorei(GL_PACK_ALIGNMENT, 1);
    qmgl_ReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

}  // namespace qm
