// sdl_driver.h -- the player's driver: an SDL 1.2 window, SDL ticks, SDL events, the audio device.
#pragma once

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
    void releaseSyncEvents() override;
    void swapBuffers(Frame frame) override;
    void close() override;

private:
    bool fullScreen_;
};

// Switches the open window between full screen and a window; nothing without one.
void toggleFullScreen();

}  // namespace qm
