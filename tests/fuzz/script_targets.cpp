// script_targets.cpp -- fuzz targets of the three script readers: materials, scene scripts and the globals
// script, each followed by what the player does next with what was read.
#include <GL/gl.h>

#include <array>
#include <cstdio>
#include <string>

#include "base/frame_clock.h"
#include "fuzz_check.h"
#include "fuzz_targets_internal.h"
#include "music/music_player.h"
#include "resources/material.h"
#include "runtime/demo.h"
#include "runtime/globals.h"
#include "runtime/overlay.h"
#include "scene/scene.h"
#include "scene/script_findings.h"

namespace qm::fuzz {

namespace {

constexpr double kFrameSeconds = 1.0 / 60.0;
// The globals target plays at most this many frames of what it read.
constexpr int kGlobalsFrames = 48;

// Every finding names a line of the script.
class LineChecker : public ScriptObserver {
public:
    void notice(const ScriptFinding& finding) override {
        require(finding.kind == ScriptFindingKind::CannotOpen || finding.line >= 1, "findings name a line");
    }
};

// The frame loop's reset before a frame step, then the clock moves on by one frame.
void beginFrame() {
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
}

void endFrame() {
    frameClock.tick(frameClock.now + kFrameSeconds);
}

void restartClock() {
    frameClock = FrameClock{};
    frameClock.start(0);
    frameClock.tick(kFrameSeconds);
}

// Two frames of the scene, and every event list the script filled run in between.
void playScene(Scene& scene) {
    beginFrame();
    scene.update();
    scene.draw();
    endFrame();
    for (int n = 0; n < Scene::kEventCount; ++n)
        if (!scene.eventLists[n].empty()) scene.runEvent(n);
    beginFrame();
    scene.update();
    scene.draw();
    endFrame();
}

}  // namespace

void writeInputFile(const char* name, std::string_view input) {
    std::FILE* file = std::fopen(name, "wb");
    require(file != nullptr, "the input file can be written");
    require(std::fwrite(input.data(), 1, input.size(), file) == input.size(), "the whole input is written");
    std::fclose(file);
}

void runMaterials(std::string_view input) {
    writeInputFile("fuzz-materials.qms", input);
    MaterialLibrary library;
    library.load("fuzz-materials.qms", [](const MaterialFinding& finding) {
        require(finding.line >= 1, "findings name a line");
        require(finding.fieldIndex >= 0, "findings name a field");
        require(finding.text.size() <= MaterialLibrary::kMaxFieldLength,
                "a field holds at most 255 characters");
    });
    // The chain is linked both ways and every record can be applied.
    for (Material* m = &library.head(); m; m = m->next.get()) {
        require(!m->next || m->next->prev == m, "each record links back to the one before");
        m->apply();
    }
    require(library.find("clouds") != nullptr, "a look-up always answers");
    require(library.find("") != nullptr, "a look-up always answers");
}

void runScene(std::string_view input) {
    writeInputFile("tmpscene.qms", input);
    restartClock();
    LineChecker checker;
    {
        Scene scene;
        scene.activate();
        scene.load("tmpscene.qms", &checker);
        playScene(scene);
        // F2: the same text read again over the scene it made.
        scene.load("tmpscene.qms", &checker);
        playScene(scene);
    }
    require(sceneRoot == nullptr, "a destroyed scene is no longer the root");
    require(selectedObject == nullptr, "nothing selected in a destroyed scene");
}

void runGlobals(std::string_view input) {
    writeInputFile("fuzz-globals.qms", input);
    restartClock();
    demo.reset();
    overlay.reset();
    quitRequested = false;
    require(demo.load("fuzz-globals.qms"), "the globals script is read");

    // Frames as the offline driver runs them: the song's sync released before each
    // step, every third frame a key press of the next scene.
    std::array<int16_t, 735 * 2> audio;
    int64_t heard = 0;
    for (int frame = 0; frame < kGlobalsFrames && !quitRequested; ++frame) {
        musicPlayer.renderOffline(audio.data(), audio.size() / 2);
        heard += static_cast<int64_t>(audio.size() / 2);
        beginFrame();
        musicPlayer.releaseEventsBefore(heard);
        demo.frame();
        overlay.draw();
        endFrame();
        if (frame % 3 == 2) demo.requestAdvance();
    }
    demo.reset();
    quitRequested = false;
    require(sceneRoot == nullptr && selectedObject == nullptr, "nothing of the demo is left");
}

}  // namespace qm::fuzz
