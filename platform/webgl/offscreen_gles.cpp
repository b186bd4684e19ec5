// offscreen_gles.cpp -- OffscreenGl on an OpenGL ES 2 context (Mesa's EGL surfaceless platform), for the
// webgl layer.
//
// Built into the core library's ES 2 copy in place of platform/offscreen_gl.cpp: the
// same class, the same pbuffer, but the context is the one WebGL 1 resembles, and the
// webgl layer is told that it starts afresh.
#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GLES2/gl2.h>

#include <cstdlib>

#include "GL/qmgl_calls.h"
#include "platform/webgl/qmgl_context.h"
#include "platform/gl_driver.h"
#include "platform/offscreen_gl.h"

namespace qm {

OffscreenGl::~OffscreenGl() {
    destroy();
}

bool OffscreenGl::create(int width, int height, std::string& error) {
    destroy();
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    ::setenv("GALLIUM_DRIVER", "llvmpipe", 0);

    auto getPlatformDisplay =
        reinterpret_cast<PFNEGLGETPLATFORMDISPLAYEXTPROC>(eglGetProcAddress("eglGetPlatformDisplayEXT"));
    if (!getPlatformDisplay) {
        error = "eglGetPlatformDisplayEXT is not available";
        return false;
    }
    EGLDisplay display = getPlatformDisplay(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (display == EGL_NO_DISPLAY || !eglInitialize(display, nullptr, nullptr)) {
        error = "cannot initialise the EGL surfaceless display";
        return false;
    }
    display_ = display;
    if (!eglBindAPI(EGL_OPENGL_ES_API)) {
        error = "EGL cannot bind the OpenGL ES API";
        destroy();
        return false;
    }
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE,
                                       EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE,
                                       EGL_OPENGL_ES2_BIT,
                                       EGL_RED_SIZE,
                                       8,
                                       EGL_GREEN_SIZE,
                                       8,
                                       EGL_BLUE_SIZE,
                                       8,
                                       EGL_ALPHA_SIZE,
                                       8,
                                       EGL_DEPTH_SIZE,
                                       24,
                                       EGL_NONE};
    EGLConfig config;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1) {
        error = "no EGL config with RGBA8 and a 24-bit depth buffer for OpenGL ES 2";
        destroy();
        return false;
    }
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    surface_ = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface_ == EGL_NO_SURFACE) {
        surface_ = nullptr;
        error = "cannot create the EGL pbuffer";
        destroy();
        return false;
    }
    const EGLint contextAttributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    context_ = eglCreateContext(display, config, EGL_NO_CONTEXT, contextAttributes);
    if (context_ == EGL_NO_CONTEXT) {
        context_ = nullptr;
        error = "cannot create an OpenGL ES 2 context";
        destroy();
        return false;
    }
    if (!eglMakeCurrent(display, surface_, surface_, context_)) {
        error = "cannot make the OpenGL ES 2 context current";
        destroy();
        return false;
    }
    width_ = width;
    height_ = height;
    keepGlDriverLoaded();
    qmgl_ContextCreated();
    return true;
}

void OffscreenGl::destroy() {
    if (!display_) return;
    eglMakeCurrent(display_, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context_) eglDestroyContext(display_, context_);
    if (surface_) eglDestroySurface(display_, surface_);
    eglTerminate(display_);
    display_ = surface_ = context_ = nullptr;
}

std::vector<uint8_t> OffscreenGl::readPixels() const {
    std::vector<uint8_t> rgba(static_cast<size_t>(width_) * height_ * 4);
    qmgl_PixelStorei(GL_PACK_ALIGNMENT, 1);
    qmgl_ReadPixels(0, 0, width_, height_, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}

}  // namespace qm
