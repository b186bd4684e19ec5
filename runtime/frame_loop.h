// frame_loop.h -- the program's start-up, frame loop and shut-down, run by any driver on a run of the demo.
#pragma once

#include <functional>

#include "platform/driver.h"

namespace qm {

class DemoRun;

// Start-up, the frame loop and the shut-down of `run`. Returns the process exit status.
int runDemo(Driver& driver, DemoRun& run);

// The same run in pieces, for tools that start the demo afresh in a screen that
// stays open (seeking, reloading):
//
//   openDemoScreen; then, as often as wanted with a fresh DemoRun each time:
//   startDemo, runFrame until the run's quitRequested, (resetGlState); finally endDemo.
//
// Opens the screen; on failure prints the player's one start-up error line.
bool openDemoScreen(Driver& driver);
// Reads materials and globals (which reads every scene and starts the song), sets
// the clock and fades the first scene in. False, after a message on standard
// error, when the globals script cannot be read.
bool startDemo(Driver& driver, DemoRun& run);
// One pass of the loop. When the driver says the frame is not drawn
// (Driver::drawsFrame), it is a fast-forward step: it advances everything a drawn
// frame advances but clears, draws and shows nothing and writes no trace.
void runFrame(Driver& driver, DemoRun& run);
// Shows the moment of the last frame again, for tools that pause the demo: input is
// polled and acted on at once (keys, F2), the current scene and the overlay are
// drawn and shown, but nothing advances: no update walk, no sync, no scene change,
// no clock tick.
void redrawFrame(Driver& driver, DemoRun& run);
// The closing black frame; stops the song and closes the screen. `beforeClose`, when
// given, runs just before the screen closes, while its GL context is still current
// (a tool lets the run's textures go there).
void endDemo(Driver& driver, DemoRun& run, const std::function<void()>& beforeClose = {});

// The line a run that found no sound card writes on standard error, once per
// process whatever number of runs it plays; `program` names who writes it.
void sayPlayingSilently(const char* program = "quillmoor");

}  // namespace qm
