// prelude.h -- included first in every test source built for Windows: what the Linux-first tests
// take from Linux's headers.
#pragma once

#ifdef _WIN32
#include <stdlib.h>

// POSIX setenv (the tests choose SDL's drivers with it); Windows' C library has _putenv_s.
inline int setenv(const char* name, const char* value, int overwrite) {
    if (!overwrite && getenv(name)) return 0;
    return _putenv_s(name, value);
}

// Linux's GL/gl.h brings glext.h's names along; Windows' stops at OpenGL 1.1.
#ifdef __cplusplus
#include <GL/gl.h>
#include <GL/glext.h>
#endif
#endif
