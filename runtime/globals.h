// globals.h -- the plain process-wide flags of the frame loop.
#pragma once

namespace qm {

// The frame loop ends after the frame in which this became true.
extern bool quitRequested;

}  // namespace qm
