// frame_loop.h -- the program's start-up, frame loop and shut-down, run by any driver.
#pragma once

#include "platform/driver.h"

namespace qm {

// Start-up, the frame loop and the shut-down. Returns the process exit status.
int runDemo(Driver& driver);

}  // namespace qm
