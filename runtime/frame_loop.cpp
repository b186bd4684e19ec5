// frame_loop.cpp -- start-up, the frame loop and shut-down, shared by every driver.
#include <GL/gl.h>

#include <cstdio>

#include "resources/material.h"
#include "runtime/demo.h"
#include "runtime/driver.h"
#include "runtime/frame_clock.h"
#include "runtime/gl_state.h"
#include "runtime/globals.h"
#include "runtime/music_player.h"
#include "runtime/overlay.h"

namespace qm {

namespace {

void clearToBlack(Driver& driver, Driver::Frame frame) {
    glClearColor(0, 0, 0, 1);
    glClear(GL_COLOR_BUFFER_BIT);
    glFlush();
    driver.swapBuffers(frame);
}

}  // namespace

void setUpPlayerProjection() {
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glFrustum(-1.2, 1.2, -0.9, 0.9, 1.0, 500.0);  // the 4:3 screen gets a 4:3 frustum
    glMatrixMode(GL_MODELVIEW);                     // stays the current mode for the whole run
    glViewport(0, 0, 800, 600);
}

void setPlayerFixedState() {
    glEnable(GL_DITHER);
    glEnable(GL_TEXTURE_2D);
    glDepthFunc(GL_LEQUAL);
    glEnable(GL_DEPTH_TEST);
    glEnable(GL_CULL_FACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glClearColor(0.7f, 0.0f, 0.5f, 1.0f);
}

namespace {

void runFrame(Driver& driver) {
    driver.pollEvents();
    glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
    glLoadIdentity();
    glColor4f(1, 1, 1, 1);
    glDisable(GL_TEXTURE_2D);  // each textured object enables it itself
    driver.releaseSyncEvents();
    demo.frame();
    overlay.draw();
    driver.frameDrawn();
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
    driver.setUpEvents();
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
