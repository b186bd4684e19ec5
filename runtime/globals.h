// globals.h -- the plain process-wide flags of the frame loop.
#pragma once

#include <SDL/SDL.h>

namespace qm {

// The frame loop ends after the frame in which this became true.
extern bool quitRequested;
// The video surface of the window driver; F1 toggles it between full screen and a window.
extern SDL_Surface* screenSurface;

}  // namespace qm
