// sdl_system.cpp -- Linux: SDL 1.2's video through X11, and its own full-screen switch.
#include "platform/sdl_system.h"

#include <SDL/SDL.h>

#include <cstdlib>

namespace qm {

namespace {

// The one video driver of SDL 1.2 that gives an OpenGL screen on this platform.
constexpr const char* kGlVideoDriver = "x11";

// SDL tries every video driver it was built with until one starts. Without an X
// display that reaches the text-console drivers, which take over the terminal
// (escape codes on standard output, where the trace goes; with no TERM, ncurses
// ends the process) before the OpenGL mode fails. Unless the user has chosen a
// driver, only the one that can give an OpenGL screen is tried, for the time of
// the initialisation: SDL reads the variable there and nowhere else.
class VideoDriverChoice {
public:
    VideoDriverChoice() : chosen_(std::getenv("SDL_VIDEODRIVER") != nullptr) {
        if (!chosen_) ::setenv("SDL_VIDEODRIVER", kGlVideoDriver, 1);
    }
    ~VideoDriverChoice() {
        if (!chosen_) ::unsetenv("SDL_VIDEODRIVER");
    }
    VideoDriverChoice(const VideoDriverChoice&) = delete;
    VideoDriverChoice& operator=(const VideoDriverChoice&) = delete;

private:
    bool chosen_;
};

}  // namespace

int initialiseSdl() {
    const VideoDriverChoice onlyGlDrivers;
    return SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO);
}

void switchSdlFullScreen(SDL_Surface* screen) {
    if (screen) SDL_WM_ToggleFullScreen(screen);
}

}  // namespace qm
