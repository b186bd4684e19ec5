// egl_pbuffer.h -- a pbuffer and a context on Mesa's EGL surfaceless platform, for the offscreen contexts.
#pragma once

#include <string>

namespace qm {

// Which API the context speaks: desktop OpenGL (compatibility profile) or OpenGL ES 2.
enum class EglApi { DesktopGl, Es2 };

// Opens into the handles (all null when closed) the display, an RGBA8 pbuffer of the size with a 24-bit depth
// buffer and a context, and makes the context current. Software rendering (llvmpipe) is chosen unless the
// environment already chose otherwise, so pixels repeat run to run. On failure everything opened is closed
// again and `error` says which step failed.
bool openEglPbuffer(EglApi api, int width, int height, void*& display, void*& surface, void*& context,
                    std::string& error);

// Releases the context and closes what `openEglPbuffer` opened; nothing when closed.
void closeEglPbuffer(void*& display, void*& surface, void*& context);

}  // namespace qm
