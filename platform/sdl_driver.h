// sdl_driver.h -- the player's driver: an SDL 1.2 window, SDL ticks, SDL events, the audio device.
#pragma once

#include <SDL/SDL.h>

#include "platform/driver.h"

namespace qm {

class SdlDriver : public Driver {
public:
    // The player opens full screen; a tool may open a window of the same size.
    explicit SdlDriver(bool fullScreen = true) : fullScreen_(fullScreen) {}

    bool openScreen(std::string& error) override;
    void setUpEvents(KeyHandler handler) override;
    double seconds() override;
    void pollEvents() override;
    void releaseSyncEvents(MusicPlayer& music) override;
    void swapBuffers(Frame frame) override;
    void toggleFullScreen() override;
    void close() override;

private:
    static int onEvent(void* self, const SDL_Event* event);

    bool fullScreen_;
    SDL_Surface* screen_ = nullptr;  // the window's video surface
    KeyHandler keys_;
};

// SDL 1.2's event filter is a plain function with no user data, so the one place it
// hands events to is process-wide: whoever set up the window's events last (the
// player's driver, or a tool's window) with itself as the context. SDL calls it while
// it pumps events, on the main thread; it returns 1 to keep the event in the queue.
struct SdlEventTarget {
    int (*function)(void* context, const SDL_Event* event) = nullptr;
    void* context = nullptr;
};
// Makes `target` the filter's, and installs the filter; an empty target drops every
// event on the floor (kept in the queue, acted on by no one).
void setSdlEventTarget(SdlEventTarget target);

}  // namespace qm
