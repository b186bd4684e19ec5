// process_objects.cpp -- the process-wide objects and flags, defined in one place so
// that they are constructed in this order and destroyed in the reverse order.
#include "base/frame_clock.h"
#include "music/music_player.h"
#include "resources/font.h"
#include "resources/material.h"
#include "runtime/demo.h"
#include "runtime/globals.h"
#include "runtime/overlay.h"
#include "runtime/sync_actions.h"

namespace qm {

bool quitRequested = false;
FrameClock frameClock;

Demo demo;
Overlay overlay;
MaterialLibrary materialLibrary;
MusicPlayer musicPlayer(&onPatternEffect);  // the song's sync values act on the demo
Font sharedFont;

}  // namespace qm
