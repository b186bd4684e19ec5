// frame_loop.cpp -- start-up, the frame loop and shut-down, shared by every driver.
#include "runtime/frame_loop.h"

#include <GL/gl.h>

#include <cstdio>

#include "base/fast_forward.h"
#include "base/gl_state.h"
#include "runtime/demo_keys.h"
#include "runtime/demo_run.h"

namespace qm {

namespace {

void clearToBlack(Driver& driver, Driver::Frame frame) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    driver.swapBuffers(frame);
}

}  // namespace

void runFrame(Driver& driver, DemoRun& run) {
    driver.pollEvents();
    const bool drawn = driver.drawsFrame();
    // A fast-forward step changes the GL state as a drawn frame does (objects rely
    // on what their predecessors leave), but no primitive reaches the pixels and no
    // line reaches the trace.
    if (drawn) {
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    } else {
        beginFastForwardStep();
        run.trace.setSuspended(true);
    }
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);  // each textured object enables it itself
    driver.releaseSyncEvents(run.music);
    // The sync values just released may have triggered objects; the frame's time is
    // the clock's, which ticks after drawing.
    const FrameContext frame = run.frameContext(drawn);
    if (!run.demo.frame(frame)) run.quitRequested = true;
    run.overlay.draw(frame);
    if (driver.frameDrawn(run.quitRequested, run.music)) run.quitRequested = true;
    run.clock.tick(driver.seconds());
    if (!drawn) {
        run.trace.setSuspended(false);
        endFastForwardStep();
        return;
    }
    glFlush();
    driver.swapBuffers(Driver::Frame::Loop);
}

void redrawFrame(Driver& driver, DemoRun& run) {
    driver.pollEvents();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
    // The draw walk spins objects by the frame's delta: with none, nothing moves.
    FrameContext frame = run.frameContext(true);
    frame.delta = 0;
    if (run.demo.current) run.demo.current->draw(frame);
    run.overlay.draw(frame);
    glFlush();
    driver.swapBuffers(Driver::Frame::Loop);
}

bool openDemoScreen(Driver& driver) {
    std::string error;
    if (driver.openScreen(error)) return true;
    std::fprintf(stderr, "Couldn't set GL mode: %s\n", error.c_str());
    return false;
}

void sayPlayingSilently(const char* program) {
    // One line for the whole process: a tool that starts the demo again and again
    // (the live tool seeking) says it once, as the player does.
    static bool said = false;
    if (said) return;
    said = true;
    std::fprintf(stderr, "%s: no sound output; playing silently\n", program);
}

bool startDemo(Driver& driver, DemoRun& run) {
    run.driver = &driver;
    const PictureRect picture = driver.picture();
    run.lineScale = picture.scale();
    run.music.setOfflineOutput(driver.pullsSong());
    clearToBlack(driver, Driver::Frame::Startup);  // black while scripts and pictures load
    setUpPlayerProjection(picture);
    driver.setUpEvents(demoKeyHandler(run));
    run.overlay.reset();
    setPlayerFixedState();
    run.materials.load("data\\materials.qms");
    if (!run.demo.load("data\\globals.qms")) {
        std::fprintf(stderr, "%s: cannot open the globals script \"data\\globals.qms\"\n", run.program);
        return false;
    }
    if (run.music.soundless()) sayPlayingSilently(run.program);
    run.clock.start(driver.seconds());
    run.clock.tick(driver.seconds());
    run.overlay.trigger(3);  // the first scene fades in from black
    run.quitRequested = false;
    return true;
}

void endDemo(Driver& driver, DemoRun& run, const std::function<void()>& beforeClose) {
    clearToBlack(driver, Driver::Frame::Shutdown);
    run.music.stop();
    run.driver = nullptr;
    if (beforeClose) beforeClose();
    driver.close();
}

int runDemo(Driver& driver, DemoRun& run) {
    if (!openDemoScreen(driver)) return 1;
    if (!startDemo(driver, run)) {
        driver.close();
        return 1;
    }
    do {
        runFrame(driver, run);
    } while (!run.quitRequested);
    endDemo(driver, run);
    return 0;
}

}  // namespace qm
