// fast_forward.h -- the GL side of the frame steps that advance the demo without drawing it.
#pragma once

namespace qm {

// Around one fast-forward step (a frame whose FrameContext says it is not drawn):
// GL discards every primitive before rasterization, while immediate-mode drawing
// still sets the current colour, normal and texture coordinate, as it would in a
// drawn frame.
void beginFastForwardStep();
void endFastForwardStep();

}  // namespace qm
