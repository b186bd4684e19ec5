// demo_keys.h -- what the player's keys and window events do to a run of the demo.
#pragma once

#include "platform/keys.h"

namespace qm {

class DemoRun;

// Performs the action of one key (or of the window-close request) at once.
void handleDemoKey(DemoRun& run, DemoKey key);

// The handler a driver is given for a run: handleDemoKey on `run`.
KeyHandler demoKeyHandler(DemoRun& run);

}  // namespace qm
