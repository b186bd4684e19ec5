// sdl_window.h -- the live tool's window on the desktop: the player's SDL set-up in a window, and the live
// keys.
#pragma once

#include "live/live_window.h"
#include "platform/sdl_driver.h"

namespace qm::live {

// An 800x600 SDL window (full screen on request; F1 switches, as in the player) with
// the audio device. Its event filter hands the player's keys to the demo at once and
// queues the live tool's keys.
class SdlWindow : public LiveWindow {
public:
    explicit SdlWindow(bool fullScreen) : sdl_(fullScreen) {}
    ~SdlWindow() override;

    bool open(std::string& error) override;
    bool pullsSong() const override { return false; }
    void toggleFullScreen() override { sdl_.toggleFullScreen(); }
    void setUpEvents(KeyHandler playerKeys) override;
    void pollEvents() override;
    void swap(Driver::Frame frame) override { sdl_.swapBuffers(frame); }
    void setTitle(const std::string& title) override;
    void close() override;

private:
    static int onEvent(void* self, const SDL_Event* event);

    SdlDriver sdl_;
    KeyHandler playerKeys_;
    std::string title_;
};

}  // namespace qm::live
