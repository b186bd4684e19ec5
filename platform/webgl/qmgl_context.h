// qmgl_context.h -- what the code that owns the OpenGL ES 2 / WebGL context tells the webgl layer.
#pragma once

// A new context has just been made current: the layer forgets the programs, buffers
// and textures of any earlier one and starts again from GL 1.1's initial state, with
// the viewport the new context reports.
void qmgl_ContextCreated();
