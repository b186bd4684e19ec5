// sdl_driver.cpp -- SDL 1.2 set-up in the player's fixed order, events and buffer swaps.
#include "platform/sdl_driver.h"

#include <SDL/SDL.h>

#include <cstdlib>

#include "base/frame_clock.h"
#include "music/music_player.h"
#include "platform/gl_driver.h"
#ifdef _WIN32
#include "platform/windows/window_mode.h"
#endif

namespace qm {

namespace {

// Process-wide because SDL 1.2's event filter takes no user data (see sdl_driver.h).
SdlEventTarget eventTarget;

int filterEvent(const SDL_Event* event) {
    const SdlEventTarget target = eventTarget;
    return target.function ? target.function(target.context, event) : 1;
}

#ifndef _WIN32
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
#else
// On Windows every video driver SDL is built with (windib, directx) gives an OpenGL
// screen and none draws on the console, so SDL's own order stands.
class VideoDriverChoice {};
#endif

int initialiseSdl() {
    [[maybe_unused]] VideoDriverChoice onlyGlDrivers;
    return SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO);
}

}  // namespace

void setSdlEventTarget(SdlEventTarget target) {
    eventTarget = target;
    SDL_SetEventFilter(&filterEvent);
}

int SdlDriver::onEvent(void* self, const SDL_Event* event) {
    return filterKeyEvent(event, static_cast<SdlDriver*>(self)->keys_);
}

bool SdlDriver::openScreen(std::string& error) {
    // SDL 1.2 crashes when used after a failed initialisation, so that is checked too.
    if (initialiseSdl() < 0) {
        error = SDL_GetError();
        SDL_Quit();
        return false;
    }
    SDL_WM_SetCaption("Quillmoor DEMO 2", nullptr);
    screen_ = SDL_SetVideoMode(800, 600, 32, (fullScreen_ ? SDL_FULLSCREEN : 0) | SDL_OPENGL);
    if (!screen_) {
        error = SDL_GetError();
        SDL_Quit();
        return false;
    }
    keepGlDriverLoaded();
    return true;
}

void SdlDriver::setUpEvents(KeyHandler handler) {
    keys_ = handler;
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    setSdlEventTarget({&SdlDriver::onEvent, this});
    SDL_ShowCursor(SDL_DISABLE);
}

double SdlDriver::seconds() {
    return ticksToSeconds(SDL_GetTicks());
}

void SdlDriver::pollEvents() {
    // Pumping runs the filter on every pending event; the one event returned is
    // not looked at, so the rest stay queued as they always have.
    SDL_Event event;
    SDL_PollEvent(&event);
}

void SdlDriver::releaseSyncEvents(MusicPlayer& music) {
    music.releaseHeardEvents();
}

void SdlDriver::swapBuffers(Frame) {
    SDL_GL_SwapBuffers();
}

void SdlDriver::toggleFullScreen() {
#ifdef _WIN32
    toggleWindowsFullScreen(screen_);  // SDL 1.2 has no toggle on Windows
#else
    if (screen_) SDL_WM_ToggleFullScreen(screen_);
#endif
}

void SdlDriver::close() {
    setSdlEventTarget({});
    SDL_Quit();
    screen_ = nullptr;
}

}  // namespace qm
