// demo_run.h -- everything one run of the demo holds, in one object: made by the entry function (the player,
// a tool, a test), passed down, and gone with the run.
#pragma once

#include "base/frame_clock.h"
#include "base/paths.h"
#include "base/trace.h"
#include "music/music_player.h"
#include "objects/kinds.h"
#include "resources/font.h"
#include "resources/material.h"
#include "runtime/demo.h"
#include "runtime/overlay.h"
#include "scene/stage.h"

namespace qm {

class Driver;

struct RunSettings {
    // Where the demo's files are read from (borrowed); null: the disk.
    FileSource* files = nullptr;
    // Textures are made in the current GL context. A tool that reads a demo without
    // one turns this off: the pictures are read but reach no GL.
    bool uploadTextures = true;
    // The program that names itself in the lines the run writes on standard error.
    const char* program = "quillmoor";
};

// A fresh run is a fresh object: nothing of an earlier run is left to reset. The
// members are made in the order they depend on each other and go in the reverse
// order, the scenes first.
class DemoRun {
public:
    explicit DemoRun(const RunSettings& settings = {});
    DemoRun(const DemoRun&) = delete;
    DemoRun& operator=(const DemoRun&) = delete;

    // What a frame step at the clock's present hands the objects.
    FrameContext frameContext(bool drawn) const;

    DiskFiles disk;     // the files, unless the settings give others
    FileSource& files;  // every file the demo reads
    Trace trace;        // standard output unless a tool says otherwise
    FrameClock clock;
    bool quitRequested = false;  // the frame loop ends after the frame in which this became true
    Stage stage;                 // root camera, selected object, factory, files and trace of the scenes
    MaterialLibrary materials;
    Font font;
    KindContext kinds;
    KindTable factory;
    MusicPlayer music;  // its sync values act on this run
    Overlay overlay;
    Demo demo;
    // The screen the run plays on while it plays (F1 toggles it); borrowed.
    Driver* driver = nullptr;
    // Line widths follow the picture's size on that screen.
    float lineScale = 1;
    // Who writes the run's lines on standard error (RunSettings::program).
    const char* program = "quillmoor";
};

}  // namespace qm
