// web_driver.h -- the browser's driver: the page's canvas as a WebGL 1 screen, SDL events and ticks, Web
// Audio.
#pragma once

#include <cstdint>

#include <SDL/SDL.h>

#include "platform/driver.h"

namespace qm {

// Plays the demo in a browser page, one frame per animation callback. The screen is
// the page's canvas, whose WebGL 1 context Emscripten's SDL 1.2 makes and the webgl
// layer draws on; keys arrive as SDL events; the song plays through SDL audio on
// Web Audio, and sync values are released when the AudioContext's clock has played
// their sample.
class WebDriver : public Driver {
public:
    bool openScreen(std::string& error) override;
    void setUpEvents(KeyHandler handler) override { keyHandler_ = handler; }
    double seconds() override;
    void pollEvents() override;
    void releaseSyncEvents(MusicPlayer& music) override;
    void swapBuffers(Frame) override {}  // the browser shows the canvas when the callback returns
    void toggleFullScreen() override;
    void close() override;

private:
    KeyHandler keyHandler_;
    SDL_Surface* screen_ = nullptr;  // the canvas's surface
};

// Song frames the AudioContext has played so far; negative before the song's
// first buffer is heard or without a song.
int64_t heardSongFrames(const MusicPlayer& music);

}  // namespace qm
