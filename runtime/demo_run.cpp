// demo_run.cpp -- making one run of the demo: its parts wired to each other.
#include "runtime/demo_run.h"

#include "runtime/sync_actions.h"

namespace qm {

DemoRun::DemoRun(const RunSettings& settings)
    : files(settings.files ? *settings.files : disk),
      stage(files, trace),
      materials(files),
      font(files),
      kinds(stage, materials, font, clock),
      factory(kinds),
      music(&runPatternEffect, this),
      overlay(clock, music),
      demo(stage, music) {
    stage.factory = &factory;
    materials.setUploads(settings.uploadTextures);
    font.setUploads(settings.uploadTextures);
    program = settings.program;
}

FrameContext DemoRun::frameContext(bool drawn) const {
    return {clock.now, clock.delta, drawn, lineScale};
}

}  // namespace qm
