// sdl_driver.h -- the player's driver: an SDL 1.2 window, SDL ticks, SDL events, the audio device.
#pragma once

#include "runtime/driver.h"

namespace qm {

class SdlDriver : public Driver {
public:
    bool openScreen(std::string& error) override;
    void setUpEvents() override;
    double seconds() override;
    void pollEvents() override;
    void releaseSyncEvents() override;
    void swapBuffers(Frame frame) override;
    void close() override;
};

}  // namespace qm
