// sdl_window.cpp -- SDL events to the player's keys and the live keys; the window title.
#include "live/sdl_window.h"

#include <SDL/SDL.h>

#include <optional>

namespace qm::live {

namespace {

std::optional<LiveKey> liveKeyFromEvent(const SDL_Event& event) {
    if (event.type != SDL_KEYDOWN) return std::nullopt;
    const bool shift = (event.key.keysym.mod & KMOD_SHIFT) != 0;
    switch (event.key.keysym.sym) {
        case SDLK_SPACE:
            return LiveKey::Pause;
        case SDLK_LEFT:
            return shift ? LiveKey::BackLittle : LiveKey::Back;
        case SDLK_RIGHT:
            return shift ? LiveKey::ForwardLittle : LiveKey::Forward;
        case SDLK_PAGEUP:
            return LiveKey::PreviousEntry;
        case SDLK_PAGEDOWN:
            return LiveKey::NextEntry;
        case SDLK_HOME:
            return LiveKey::Home;
        case SDLK_h:
            return LiveKey::Display;
        case SDLK_m:
            return LiveKey::Mark;
        case SDLK_l:
            return LiveKey::Loop;
        default:
            return std::nullopt;
    }
}

}  // namespace

SdlWindow::~SdlWindow() {
    setSdlEventTarget({});  // SDL must not reach this window once it is gone
}

bool SdlWindow::open(std::string& error) {
    return sdl_.openScreen(error);
}

int SdlWindow::onEvent(void* context, const SDL_Event* event) {
    SdlWindow* self = static_cast<SdlWindow*>(context);
    if (!event) return 1;
    if (std::optional<DemoKey> key = demoKeyFromEvent(*event)) {
        if (*key == DemoKey::Escape || *key == DemoKey::WindowClose) self->quitAsked_ = true;
        if (self->playerKeys_) self->playerKeys_(*key);
    } else if (std::optional<LiveKey> live = liveKeyFromEvent(*event)) {
        self->pressLiveKey(*live);
    }
    return 1;
}

void SdlWindow::setUpEvents(KeyHandler playerKeys) {
    playerKeys_ = playerKeys;
    SDL_EventState(SDL_MOUSEMOTION, SDL_IGNORE);
    setSdlEventTarget({&SdlWindow::onEvent, this});
}

void SdlWindow::pollEvents() {
    // As in the player: pumping runs the filter on every pending event. Unlike the
    // player, the queue is emptied, since no event in it is looked at again.
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
}

void SdlWindow::setTitle(const std::string& title) {
    if (title == title_) return;
    title_ = title;
    SDL_WM_SetCaption(title.c_str(), nullptr);
}

void SdlWindow::close() {
    sdl_.close();
}

}  // namespace qm::live
