// driver.h -- what differs between playing in a window and rendering offline.
#pragma once

#include <string>

#include "base/gl_state.h"
#include "platform/keys.h"

namespace qm {

class MusicPlayer;

// The frame loop is written once (runDemo); a driver supplies the GL context and
// buffer swap, the clock, the input and the audio clock.
class Driver {
public:
    enum class Frame { Startup, Loop, Shutdown };

    virtual ~Driver() = default;

    // Opens the 800x600 OpenGL screen and makes its context current. On failure
    // `error` holds the reason and the driver has released what it took.
    virtual bool openScreen(std::string& error) = 0;
    // Where the demo's 4:3 picture lies on the screen (the whole 800x600 screen
    // unless a tool renders at another size).
    virtual PictureRect picture() const { return {}; }
    // The song is pulled by the driver's own clock (offline), not played by the
    // music player's sound output.
    virtual bool pullsSong() const { return false; }
    // Routes every key (and the window-close request) to `handler`, which acts on
    // it at once.
    virtual void setUpEvents(KeyHandler handler) = 0;
    // Seconds on the frame clock's scale.
    virtual double seconds() = 0;
    // Whether the coming frame is drawn; false makes it a fast-forward step, which
    // advances the demo without drawing or showing anything.
    virtual bool drawsFrame() { return true; }
    // First step of every frame: input reaches the key handler.
    virtual void pollEvents() = 0;
    // Just before the frame step: the song's sync events that have been heard are
    // acted on (a driver that pulls the song renders it up to the frame first).
    virtual void releaseSyncEvents(MusicPlayer& music) = 0;
    // The frame has been drawn; an offline clock moves on to the next frame here.
    // `quitting` says the run ends after this frame; a driver may end it too (an
    // offline frame limit) by returning true.
    virtual bool frameDrawn(bool quitting, MusicPlayer&) { return quitting; }
    // Shows the finished frame (after glFlush).
    virtual void swapBuffers(Frame frame) = 0;
    // F1: switches the screen between full screen and a window, where it can.
    virtual void toggleFullScreen() {}
    // Closes the screen (and the rest of the window system).
    virtual void close() = 0;
};

}  // namespace qm
