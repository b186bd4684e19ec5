// sdl_driver.cpp -- SDL 1.2 set-up in the player's fixed order, events and buffer swaps.
#include "platform/sdl_driver.h"

#include <SDL/SDL.h>

#include "base/frame_clock.h"
#include "music/music_player.h"
#include "platform/gl_driver.h"

namespace qm {

namespace {

// The video surface of the open window; F1 toggles it between full screen and a window.
SDL_Surface* screenSurface = nullptr;
// Where the event filter sends keys (SDL's filter takes no user data).
KeyHandler keyHandler = nullptr;

int filterEvent(const SDL_Event* event) { return filterKeyEvent(event, keyHandler); }

}  // namespace

bool SdlDriver::openScreen(std::string& error) {
    musicPlayer.setOfflineOutput(false);  // the music player opens SDL audio itself
    // SDL 1.2 crashes when used after a failed initialisation, so that is checked too.
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) {
        error = SDL_GetError();
        SDL_Quit();
        return false;
    }
    SDL_WM_SetCaption("Quillmoor DEMO 2", nullptr);
    screenSurface = SDL_SetVideoMode(800, 600, 32, (fullScreen_ ? SDL_FULLSCREEN : 0) | SDL_OPENGL);
    if (!screenSurface) {
        error = SDL_GetError();
        SDL_Quit();
        return false;
    }
    keepGlDriverLoaded();
    return true;
}

void SdlDriver::setUpEvents(KeyHandler handler) {
    keyHandler = handler;
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    SDL_SetEventFilter(&filterEvent);
    SDL_ShowCursor(SDL_DISABLE);
}

double SdlDriver::seconds() { return ticksToSeconds(SDL_GetTicks()); }

void SdlDriver::pollEvents() {
    // Pumping runs the filter on every pending event; the one event returned is
    // not looked at, so the rest stay queued as they always have.
    SDL_Event event;
    SDL_PollEvent(&event);
}

void SdlDriver::releaseSyncEvents() { musicPlayer.releaseHeardEvents(); }

void SdlDriver::swapBuffers(Frame) { SDL_GL_SwapBuffers(); }

void SdlDriver::close() {
    SDL_Quit();
    screenSurface = nullptr;
}

void toggleFullScreen() {
    if (screenSurface) SDL_WM_ToggleFullScreen(screenSurface);
}

}  // namespace qm
