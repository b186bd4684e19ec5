// process_objects.cpp -- the process-wide objects and flags, defined in one place so
// that they are constructed in this order and destroyed in the reverse order.
#include "resources/font.h"
#include "resources/material.h"
#include "runtime/demo.h"
#include "runtime/frame_clock.h"
#include "runtime/globals.h"
#include "runtime/music_player.h"
#include "runtime/overlay.h"

namespace qm {

bool quitRequested = false;
SDL_Surface* screenSurface = nullptr;
FrameClock frameClock;

Demo demo;
Overlay overlay;
MaterialLibrary materialLibrary;
MusicPlayer musicPlayer;
Font sharedFont;

}  // namespace qm
