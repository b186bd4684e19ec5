// egl_pbuffer.cpp -- opening and closing an EGL surfaceless pbuffer with a desktop GL or ES 2 context.
#include "platform/egl_pbuffer.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>

#include <cstdlib>

namespace qm {

bool openEglPbuffer(EglApi api, int width, int height, void*& outDisplay, void*& outSurface,
                    void*& outContext, std::string& error) {
    closeEglPbuffer(outDisplay, outSurface, outContext);
    ::setenv("LIBGL_ALWAYS_SOFTWARE", "1", 0);
    ::setenv("GALLIUM_DRIVER", "llvmpipe", 0);
    const bool es2 = api == EglApi::Es2;

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
    outDisplay = display;
    const auto fail = [&](const char* why) {
        error = why;
        closeEglPbuffer(outDisplay, outSurface, outContext);
        return false;
    };
    if (!eglBindAPI(es2 ? EGL_OPENGL_ES_API : EGL_OPENGL_API))
        return fail(es2 ? "EGL cannot bind the OpenGL ES API" : "EGL cannot bind the desktop OpenGL API");
    // clang-format off
    const EGLint configAttributes[] = {EGL_SURFACE_TYPE, EGL_PBUFFER_BIT,
                                       EGL_RENDERABLE_TYPE, es2 ? EGL_OPENGL_ES2_BIT : EGL_OPENGL_BIT,
                                       EGL_RED_SIZE, 8, EGL_GREEN_SIZE, 8, EGL_BLUE_SIZE, 8, EGL_ALPHA_SIZE, 8,
                                       EGL_DEPTH_SIZE, 24, EGL_NONE};
    // clang-format on
    EGLConfig config;
    EGLint configCount = 0;
    if (!eglChooseConfig(display, configAttributes, &config, 1, &configCount) || configCount < 1)
        return fail(es2 ? "no EGL config with RGBA8 and a 24-bit depth buffer for OpenGL ES 2"
                        : "no EGL config with RGBA8 and a 24-bit depth buffer");
    const EGLint surfaceAttributes[] = {EGL_WIDTH, width, EGL_HEIGHT, height, EGL_NONE};
    EGLSurface surface = eglCreatePbufferSurface(display, config, surfaceAttributes);
    if (surface == EGL_NO_SURFACE) return fail("cannot create the EGL pbuffer");
    outSurface = surface;
    const EGLint desktopAttributes[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                                        EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    const EGLint es2Attributes[] = {EGL_CONTEXT_CLIENT_VERSION, 2, EGL_NONE};
    EGLContext context =
        eglCreateContext(display, config, EGL_NO_CONTEXT, es2 ? es2Attributes : desktopAttributes);
    if (context == EGL_NO_CONTEXT)
        return fail(es2 ? "cannot create an OpenGL ES 2 context"
                        : "cannot create a compatibility OpenGL context");
    outContext = context;
    if (!eglMakeCurrent(display, surface, surface, context))
        return fail(es2 ? "cannot make the OpenGL ES 2 context current"
                        : "cannot make the OpenGL context current");
    return true;
}

void closeEglPbuffer(void*& display, void*& surface, void*& context) {
    if (!display) return;
    eglMakeCurrent(display, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
    if (context) eglDestroyContext(display, context);
    if (surface) eglDestroySurface(display, surface);
    eglTerminate(display);
    display = surface = context = nullptr;
}

}  // namespace qm
