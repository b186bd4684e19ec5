// gl_driver.cpp -- Windows: nothing to pin; the system's OpenGL driver stays loaded with opengl32.dll.
#include "platform/gl_driver.h"

namespace qm {

void keepGlDriverLoaded() {}

}  // namespace qm
