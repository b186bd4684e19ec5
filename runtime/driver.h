// driver.h -- what differs between playing in a window and rendering offline.
#pragma once

#include <string>

namespace qm {

// The frame loop is written once (runDemo); a driver supplies the GL context and
// buffer swap, the clock, the input and the audio clock.
class Driver {
public:
    enum class Frame { Startup, Loop, Shutdown };

    virtual ~Driver() = default;

    // Opens the 800x600 OpenGL screen and makes its context current. On failure
    // `error` holds the reason and the driver has released what it took.
    virtual bool openScreen(std::string& error) = 0;
    // Routes input to the key handler (handleDemoKey).
    virtual void setUpEvents() = 0;
    // Seconds on the frame clock's scale.
    virtual double seconds() = 0;
    // First step of every frame: input reaches the key handler.
    virtual void pollEvents() = 0;
    // Just before the frame step: sync events that have been heard are acted on.
    virtual void releaseSyncEvents() = 0;
    // The frame has been drawn; an offline clock moves on to the next frame here.
    virtual void frameDrawn() {}
    // Shows the finished frame (after glFlush).
    virtual void swapBuffers(Frame frame) = 0;
    // Closes the screen (and the rest of the window system).
    virtual void close() = 0;
};

// Start-up, the frame loop and the shut-down. Returns the process exit status.
int runDemo(Driver& driver);

}  // namespace qm
