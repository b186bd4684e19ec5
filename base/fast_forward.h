// fast_forward.h -- the frame steps that advance the demo without drawing it.
#pragma once

namespace qm {

// True during a fast-forward step. Such a step advances everything a drawn frame
// advances: the update walk, the look-at and spin of the draw walk, animations,
// sync events and the GL state that objects leave for their successors. It clears,
// rasterizes and shows nothing, writes no trace, and kinds skip the vertex work
// whose only use is the picture (they build it when a drawn frame needs it).
extern bool fastForwarding;

// Around one fast-forward step: sets the flag and has GL discard every primitive
// before rasterization (immediate-mode drawing still sets the current colour,
// normal and texture coordinate, as it would in a drawn frame).
void beginFastForwardStep();
void endFastForwardStep();

}  // namespace qm
