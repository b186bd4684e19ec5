// frame_loop.cpp -- start-up, the frame loop and shut-down, shared by every driver.
#include <GL/gl.h>

#include <cstdio>

#include "base/fast_forward.h"
#include "base/frame_clock.h"
#include "base/gl_state.h"
#include "music/music_player.h"
#include "objects/ball.h"
#include "resources/font.h"
#include "resources/material.h"
#include "runtime/demo.h"
#include "runtime/demo_keys.h"
#include "runtime/frame_loop.h"
#include "runtime/globals.h"
#include "runtime/overlay.h"
#include "scene/scene.h"

namespace qm {

namespace {

void clearToBlack(Driver& driver, Driver::Frame frame) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    driver.swapBuffers(frame);
}

}  // namespace

void runFrame(Driver& driver) {
    driver.pollEvents();
    const bool drawn = driver.drawsFrame();
    // A fast-forward step changes the GL state as a drawn frame does (objects rely
    // on what their predecessors leave), but no primitive reaches the pixels.
    if (drawn)
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    else
        beginFastForwardStep();
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);  // each textured object enables it itself
    driver.releaseSyncEvents();
    demo.frame();
    overlay.draw();
    if (driver.frameDrawn(quitRequested)) quitRequested = true;
    frameClock.tick(driver.seconds());
    if (!drawn) {
        endFastForwardStep();
        return;
    }
    glFlush();
    driver.swapBuffers(Driver::Frame::Loop);
}

void redrawFrame(Driver& driver) {
    driver.pollEvents();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);
    // The draw walk spins objects by the clock's delta: with none, nothing moves.
    const double delta = frameClock.delta;
    frameClock.delta = 0;
    if (demo.current) demo.current->draw();
    frameClock.delta = delta;
    overlay.draw();
    glFlush();
    driver.swapBuffers(Driver::Frame::Loop);
}

bool openDemoScreen(Driver& driver) {
    std::string error;
    if (driver.openScreen(error)) return true;
    std::fprintf(stderr, "Couldn't set GL mode: %s\n", error.c_str());
    return false;
}

bool startDemo(Driver& driver) {
    clearToBlack(driver, Driver::Frame::Startup);  // black while scripts and pictures load
    setUpPlayerProjection();
    driver.setUpEvents(&handleDemoKey);
    overlay.reset();
    setPlayerFixedState();
    materialLibrary.load("data\\materials.qms");
    if (!demo.load("data\\globals.qms")) {
        std::fprintf(stderr, "quillmoor: cannot open the globals script \"data\\globals.qms\"\n");
        return false;
    }
    frameClock.start(driver.seconds());
    frameClock.tick(driver.seconds());
    overlay.trigger(3);  // the first scene fades in from black
    quitRequested = false;
    return true;
}

void endDemo(Driver& driver) {
    clearToBlack(driver, Driver::Frame::Shutdown);
    musicPlayer.stop();
    driver.close();
}

void resetDemo() {
    demo.reset();  // closes the music and destroys every scene
    materialLibrary.clear();
    sharedFont.unload();
    overlay.reset();
    ballPhases = BallPhases{};
    sceneRoot = nullptr;
    selectedObject = nullptr;
    frameClock = FrameClock{};
    quitRequested = false;
    resetGlState();
}

int runDemo(Driver& driver) {
    if (!openDemoScreen(driver)) return 1;
    if (!startDemo(driver)) {
        driver.close();
        return 1;
    }
    do {
        runFrame(driver);
    } while (!quitRequested);
    endDemo(driver);
    return 0;
}

}  // namespace qm
