// script_targets.cpp -- fuzz targets of the three script readers: materials, scene scripts and the globals
// script, each followed by what the player does next with what was read.
#include <GL/gl.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "base/paths.h"
#include "fuzz_check.h"
#include "fuzz_targets_internal.h"
#include "runtime/demo_run.h"
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

void endFrame(FrameClock& clock) {
    clock.tick(clock.now + kFrameSeconds);
}

void restartClock(FrameClock& clock) {
    clock = FrameClock{};
    clock.start(0);
    clock.tick(kFrameSeconds);
}

// Two frames of the scene, and every event list the script filled run in between.
void playScene(Scene& scene, DemoRun& run) {
    beginFrame();
    scene.update(run.frameContext(true));
    scene.draw(run.frameContext(true));
    endFrame(run.clock);
    for (int n = 0; n < Scene::kEventCount; ++n)
        if (!scene.eventLists[n].empty()) scene.runEvent(n);
    beginFrame();
    scene.update(run.frameContext(true));
    scene.draw(run.frameContext(true));
    endFrame(run.clock);
}

// A run for one input: its trace off, its music offline and the materials script read.
std::unique_ptr<DemoRun> freshRun() {
    auto run = std::make_unique<DemoRun>();
    run->trace.setEnabled(false);
    run->music.setOfflineOutput(true);
    run->materials.load("data\\materials.qms");
    return run;
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
    DiskFiles files;
    MaterialLibrary library(files);
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
    const std::unique_ptr<DemoRun> run = freshRun();
    restartClock(run->clock);
    LineChecker checker;
    {
        Scene scene(run->stage);
        scene.activate();
        scene.load("tmpscene.qms", &checker);
        playScene(scene, *run);
        // F2: the same text read again over the scene it made.
        scene.load("tmpscene.qms", &checker);
        playScene(scene, *run);
    }
    require(run->stage.root == nullptr, "a destroyed scene is no longer the root");
    require(run->stage.selected == nullptr, "nothing selected in a destroyed scene");
}

void runGlobals(std::string_view input) {
    writeInputFile("fuzz-globals.qms", input);
    const std::unique_ptr<DemoRun> run = freshRun();
    restartClock(run->clock);
    require(run->demo.load("fuzz-globals.qms"), "the globals script is read");

    // Frames as the offline driver runs them: the song's sync released before each
    // step, every third frame a key press of the next scene.
    std::array<int16_t, 735 * 2> audio;
    int64_t heard = 0;
    for (int frame = 0; frame < kGlobalsFrames && !run->quitRequested; ++frame) {
        run->music.renderOffline(audio.data(), audio.size() / 2);
        heard += static_cast<int64_t>(audio.size() / 2);
        beginFrame();
        run->music.releaseEventsBefore(heard);
        if (!run->demo.frame(run->frameContext(true))) run->quitRequested = true;
        run->overlay.draw(run->frameContext(true));
        endFrame(run->clock);
        if (frame % 3 == 2) run->demo.requestAdvance();
    }
}

}  // namespace qm::fuzz
