// overlay.cpp -- the overlay's effects (flash, fade, pulse, dip) and their drawing over the frame.
#include "runtime/overlay.h"

#include <GL/gl.h>

#include "base/fast_forward.h"

#include <cmath>

#include "base/frame_clock.h"
#include "music/music_player.h"

namespace qm {

namespace {

constexpr float kPi = 3.1415927f;
constexpr double kFlashSeconds = 0.2;

// 1 at the layer's start, 0 at its end. A layer of no length (no song playing, so
// no beat unit) is at its start in the one frame in which it is drawn, so the
// fade-in of the first frame shows black, as it does with a song.
double progressLeft(double start, double end, double now) {
    const double length = end - start;
    if (!(length > 0)) return 1.0;
    return (end - now) / length;
}

void fullScreenQuad() {
    if (fastForwarding) return;  // the layer's blend and colour are set; no pixels in a fast-forward step
    glBegin(GL_QUADS);
    glVertex3i(-1, -1, -1);
    glVertex3i(1, -1, -1);
    glVertex3i(1, 1, -1);
    glVertex3i(-1, 1, -1);
    glEnd();
}

// Adds white (flash, pulse) or multiplies the frame by alpha (fade, dip).
void drawLayer(bool white, float alpha) {
    if (white) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4f(1, 1, 1, alpha);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
        glColor4f(0, 0, 0, alpha);
    }
    fullScreenQuad();
}

}  // namespace

void Overlay::reset() {
    flashEnd = flashStart = 0;
    flashRising = false;
    fadeEnd = fadeStart = 0;
    fadeRising = false;
    pulseStart = pulseEnd = 0;
    dipStart = dipEnd = 0;
    triggered_.fill(false);
}

void Overlay::trigger(int effect) {
    const double now = frameClock.now;
    const float unit = musicPlayer.beatUnit;  // durations are taken in single precision
    switch (effect) {
        case 0:  // white flash that fades out
            flashStart = now, flashEnd = now + kFlashSeconds, flashRising = false;
            triggered_[kFlash] = true;
            break;
        case 1:  // whitens to full white
            flashStart = now, flashEnd = now + 2 * unit, flashRising = true;
            triggered_[kFlash] = true;
            break;
        case 2:  // darkens to black
            fadeStart = now, fadeEnd = now + 2 * unit, fadeRising = false;
            triggered_[kFade] = true;
            break;
        case 3:  // comes up from black
            fadeStart = now, fadeEnd = now + 4 * unit, fadeRising = true;
            triggered_[kFade] = true;
            break;
        case 4:  // white swell peaking halfway
            pulseStart = now, pulseEnd = now + 2 * unit;
            triggered_[kPulse] = true;
            break;
        case 5:  // dips to black halfway and back
            dipStart = now, dipEnd = now + 2 * unit;
            triggered_[kDip] = true;
            break;
        case 6:  // slow whitening to full white
            flashStart = now, flashEnd = now + 17 * unit, flashRising = true;
            triggered_[kFlash] = true;
            break;
        default:
            break;
    }
}

void Overlay::draw() {
    const double now = frameClock.now;
    glMatrixMode(GL_MODELVIEW);
    glPushMatrix();
    glLoadIdentity();
    glMatrixMode(GL_PROJECTION);
    glPushMatrix();
    glLoadIdentity();  // both at identity: the quad covers the viewport

    glDisable(GL_DEPTH_TEST);
    glDisable(GL_TEXTURE_2D);
    glDisable(GL_LIGHTING);
    glDisable(GL_FOG);
    glEnable(GL_BLEND);

    if (triggered_[kFlash] && now <= flashEnd) {
        const double x = progressLeft(flashStart, flashEnd, now);
        drawLayer(true, static_cast<float>(flashRising ? 1 - x : x));
    }
    if (triggered_[kFade] && now <= fadeEnd) {
        const double x = progressLeft(fadeStart, fadeEnd, now);
        drawLayer(false, static_cast<float>(fadeRising ? 1 - x : x));
    }
    if (triggered_[kPulse] && now <= pulseEnd) {
        const double x = progressLeft(pulseStart, pulseEnd, now);
        drawLayer(true, static_cast<float>(std::sin(kPi * x)));
    }
    if (triggered_[kDip] && now <= dipEnd) {
        const double x = progressLeft(dipStart, dipEnd, now);
        drawLayer(false, static_cast<float>(1 - std::sin(kPi * x)));
    }

    glDepthMask(GL_TRUE);
    glPopMatrix();  // projection
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace qm
