// window_mode.h -- Windows: the player's OpenGL window switched between full screen and a window.
#pragma once

struct SDL_Surface;

namespace qm {

// SDL 1.2 cannot switch full screen on Windows, and setting the video mode again would
// make a new OpenGL context, without the demo's textures. The window itself changes
// instead, as SDL makes it in either mode: the display mode, the window's style, place
// and stacking. The context stays. Nothing happens when the display refuses the mode.
void toggleWindowsFullScreen(SDL_Surface* screen);

}  // namespace qm
