// gl_driver.h -- keeps the system's OpenGL driver loaded once a context has used it.
#pragma once

namespace qm {

// Mesa unloads its driver when the last display closes, while the driver keeps
// some memory until the process ends. Once the driver is gone, a leak checker at
// exit cannot tell that memory from the program's own, so after the first context
// is made the driver stays loaded until the process ends. Changes nothing else.
void keepGlDriverLoaded();

}  // namespace qm
