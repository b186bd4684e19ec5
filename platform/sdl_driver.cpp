// sdl_driver.cpp -- SDL 1.2 set-up in the player's fixed order, events and buffer swaps.
#include "platform/sdl_driver.h"

#include <SDL/SDL.h>

#include "base/frame_clock.h"
#include "music/music_player.h"
#include "platform/gl_driver.h"
#include "platform/sdl_system.h"

namespace qm {

namespace {

// Process-wide because SDL 1.2's event filter takes no user data (see sdl_driver.h).
SdlEventTarget eventTarget;

int filterEvent(const SDL_Event* event) {
    const SdlEventTarget target = eventTarget;
    return target.function ? target.function(target.context, event) : 1;
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
    switchSdlFullScreen(screen_);
}

void SdlDriver::close() {
    setSdlEventTarget({});
    SDL_Quit();
    screen_ = nullptr;
}

}  // namespace qm
