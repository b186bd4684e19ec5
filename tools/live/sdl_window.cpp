// sdl_window.cpp -- SDL events to the player's keys, the live keys and the mouse; the window title; the end
// of the window when it is destroyed.
#include "live/sdl_window.h"

#include <SDL/SDL.h>
#include <SDL/SDL_syswm.h>
#include <X11/Xlib.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

namespace qm::live {

namespace {

// Xlib's error handlers are process-wide plain functions with no user data: what
// they note lives here.
bool windowGone = false;
int glxRequests = -1;  // the GLX extension's request code on the window's display
XErrorHandler previousErrorHandler = nullptr;

// A window destroyed by another client (not closed through the window manager): the
// next request on it fails. That ends the tool as the window's close does, without
// Xlib's message and exit status 1; any other error goes where it went.
int onXError(Display* display, XErrorEvent* error) {
    if (error->error_code == BadWindow || error->error_code == BadDrawable ||
        (glxRequests >= 0 && error->request_code == glxRequests)) {
        windowGone = true;
        return 0;
    }
    return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

// The connection to the X server is gone (the window's client killed): nothing more
// can be shown. Xlib ends the process after this handler in any case.
int onXConnectionLost(Display*) {
    std::fflush(nullptr);
    static const char kLine[] = "quillmoor-live: the window is gone (its X connection closed)\n";
    [[maybe_unused]] const ssize_t written = ::write(STDERR_FILENO, kLine, sizeof kLine - 1);
    ::_exit(0);
}

void watchForTheWindowsEnd() {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWMInfo(&info) <= 0 || info.subsystem != SDL_SYSWM_X11) return;
    int event = 0, error = 0;
    if (!XQueryExtension(info.info.x11.display, "GLX", &glxRequests, &event, &error)) glxRequests = -1;
    windowGone = false;
    XErrorHandler previous = XSetErrorHandler(&onXError);
    if (previous != &onXError) previousErrorHandler = previous;
    XSetIOErrorHandler(&onXConnectionLost);
}

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

std::optional<MouseEvent> mouseFromEvent(const SDL_Event& event) {
    switch (event.type) {
        case SDL_MOUSEBUTTONDOWN:
        case SDL_MOUSEBUTTONUP:
            if (event.button.button != SDL_BUTTON_LEFT) return std::nullopt;
            return MouseEvent{
                event.type == SDL_MOUSEBUTTONDOWN ? MouseEvent::Kind::Press : MouseEvent::Kind::Release,
                event.button.x, event.button.y};
        case SDL_MOUSEMOTION:
            return MouseEvent{MouseEvent::Kind::Move, event.motion.x, event.motion.y};
        default:
            return std::nullopt;
    }
}

}  // namespace

SdlWindow::~SdlWindow() {
    setSdlEventTarget({});  // SDL must not reach this window once it is gone
}

bool SdlWindow::open(std::string& error) {
    if (!sdl_.openScreen(error)) return false;
    watchForTheWindowsEnd();
    return true;
}

int SdlWindow::onEvent(void* context, const SDL_Event* event) {
    SdlWindow* self = static_cast<SdlWindow*>(context);
    if (!event) return 1;
    if (std::optional<DemoKey> key = demoKeyFromEvent(*event)) {
        if (*key == DemoKey::Escape || *key == DemoKey::WindowClose) self->quitAsked_ = true;
        if (*key == DemoKey::F2) self->f2Pressed_ = true;
        if (self->playerKeys_) self->playerKeys_(*key);
    } else if (std::optional<LiveKey> live = liveKeyFromEvent(*event)) {
        self->pressLiveKey(*live);
    } else if (std::optional<MouseEvent> mouse = mouseFromEvent(*event)) {
        self->addMouseEvent(*mouse);
    }
    return 1;
}

void SdlWindow::setUpEvents(KeyHandler playerKeys) {
    playerKeys_ = playerKeys;
    // Unlike the player, the tool takes the mouse: the timeline is clicked and dragged.
    SDL_EventState(SDL_MOUSEMOTION, SDL_ENABLE);
    setSdlEventTarget({&SdlWindow::onEvent, this});
}

void SdlWindow::pollEvents() {
    // As in the player: pumping runs the filter on every pending event. Unlike the
    // player, the queue is emptied, since no event in it is looked at again.
    SDL_Event event;
    while (SDL_PollEvent(&event)) {
    }
    if (windowGone && !quitAsked_) {
        std::fputs("quillmoor-live: the window was destroyed\n", stderr);
        quitAsked_ = true;
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
