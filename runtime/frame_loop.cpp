// frame_loop.cpp -- start-up, the frame loop and shut-down, shared by every driver.
#include <GL/gl.h>

#include <cstdio>

#include "base/frame_clock.h"
#include "base/gl_state.h"
#include "music/music_player.h"
#include "resources/material.h"
#include "runtime/demo.h"
#include "runtime/demo_keys.h"
#include "runtime/frame_loop.h"
#include "runtime/globals.h"
#include "runtime/overlay.h"

namespace qm {

namespace {

void clearToBlack(Driver& driver, Driver::Frame frame) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    driver.swapBuffers(frame);
}

void runFrame(Driver& driver) {
    driver.pollEvents();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);  // each textured object enables it itself
    driver.releaseSyncEvents();
    demo.frame();
    overlay.draw();
    if (driver.frameDrawn(quitRequested)) quitRequested = true;
    frameClock.tick(driver.seconds());
    glFlush();
    driver.swapBuffers(Driver::Frame::Loop);
}

}  // namespace

int runDemo(Driver& driver) {
    std::string error;
    if (!driver.openScreen(error)) {
        std::fprintf(stderr, "Couldn't set GL mode: %s\n", error.c_str());
        return 1;
    }
    clearToBlack(driver, Driver::Frame::Startup);  // black while scripts and pictures load
    setUpPlayerProjection();
    driver.setUpEvents(&handleDemoKey);
    overlay.reset();
    setPlayerFixedState();
    materialLibrary.load("data\\materials.qms");
    if (!demo.load("data\\globals.qms")) {
        std::fprintf(stderr, "quillmoor: cannot open the globals script \"data\\globals.qms\"\n");
        driver.close();
        return 1;
    }
    frameClock.start(driver.seconds());
    frameClock.tick(driver.seconds());
    overlay.trigger(3);  // the first scene fades in from black
    quitRequested = false;

    do {
        runFrame(driver);
    } while (!quitRequested);

    clearToBlack(driver, Driver::Frame::Shutdown);
    musicPlayer.stop();
    driver.close();
    return 0;
}

}  // namespace qm
