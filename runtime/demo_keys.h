// demo_keys.h -- what the player's keys and window events do.
#pragma once

#include <SDL/SDL.h>

#include "platform/keys.h"

namespace qm {

// Performs the action of one key (or of the window-close request) at once.
void handleDemoKey(DemoKey key);

// The player's SDL event filter: acts on each event while SDL pumps it and keeps
// every event in the queue (returns 1).
int demoEventFilter(const SDL_Event* event);

}  // namespace qm
