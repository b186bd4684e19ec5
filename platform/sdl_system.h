// sdl_system.h -- what SDL 1.2 does differently on each system: starting its video
// and switching the screen between full screen and a window.
#pragma once

struct SDL_Surface;

namespace qm {

// SDL_Init of the timer and the video, with only the video drivers that can give an
// OpenGL screen; below zero when it fails.
int initialiseSdl();

// The screen from full screen to a window or back, keeping the OpenGL context.
void switchSdlFullScreen(SDL_Surface* screen);

}  // namespace qm
