// overlay.cpp -- the overlay's effects (flash, fade, pulse, dip) and their drawing over the frame.
#include "runtime/overlay.h"

#include <GL/gl.h>

#include <cmath>

#include "music/music_player.h"
#include "runtime/sync_table.h"

namespace qm {

namespace {

constexpr float kPi = 3.1415927f;

// 1 at the layer's start, 0 at its end. A layer of no length (no song playing, so
// no beat unit) is at its start in the one frame in which it is drawn, so the
// fade-in of the first frame shows black, as it does with a song.
double progressLeft(double start, double end, double now) {
    const double length = end - start;
    if (!(length > 0)) return 1.0;
    return (end - now) / length;
}

void fullScreenQuad(bool drawn) {
    if (!drawn) return;  // the layer's blend and colour are set; no pixels in a fast-forward step
    glBegin(GL_QUADS);
    glVertex3i(-1, -1, -1);
    glVertex3i(1, -1, -1);
    glVertex3i(1, 1, -1);
    glVertex3i(-1, 1, -1);
    glEnd();
}

// Adds white (flash, pulse) or multiplies the frame by alpha (fade, dip).
void drawLayer(bool white, float alpha, bool drawn) {
    if (white) {
        glBlendFunc(GL_SRC_ALPHA, GL_ONE);
        glColor4f(1, 1, 1, alpha);
    } else {
        glBlendFunc(GL_SRC_ALPHA, GL_SRC_ALPHA);
        glColor4f(0, 0, 0, alpha);
    }
    fullScreenQuad(drawn);
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
    if (effect < 0 || effect >= static_cast<int>(kOverlayEffects.size())) return;
    const OverlayEffect& e = kOverlayEffects[static_cast<size_t>(effect)];
    const double now = clock_.now;
    // Durations are taken in single precision, the beat unit's.
    const double end = e.beatUnits == 0 ? now + kFlashSeconds : now + e.beatUnits * music_.beatUnit;
    switch (e.layer) {
        case OverlayLayer::Flash:
            flashStart = now, flashEnd = end, flashRising = e.rising;
            triggered_[kFlash] = true;
            break;
        case OverlayLayer::Fade:
            fadeStart = now, fadeEnd = end, fadeRising = e.rising;
            triggered_[kFade] = true;
            break;
        case OverlayLayer::Pulse:
            pulseStart = now, pulseEnd = end;
            triggered_[kPulse] = true;
            break;
        case OverlayLayer::Dip:
            dipStart = now, dipEnd = end;
            triggered_[kDip] = true;
            break;
    }
}

void Overlay::draw(const FrameContext& frame) {
    const double now = frame.now;
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
        drawLayer(true, static_cast<float>(flashRising ? 1 - x : x), frame.drawn);
    }
    if (triggered_[kFade] && now <= fadeEnd) {
        const double x = progressLeft(fadeStart, fadeEnd, now);
        drawLayer(false, static_cast<float>(fadeRising ? 1 - x : x), frame.drawn);
    }
    if (triggered_[kPulse] && now <= pulseEnd) {
        const double x = progressLeft(pulseStart, pulseEnd, now);
        drawLayer(true, static_cast<float>(std::sin(kPi * x)), frame.drawn);
    }
    if (triggered_[kDip] && now <= dipEnd) {
        const double x = progressLeft(dipStart, dipEnd, now);
        drawLayer(false, static_cast<float>(1 - std::sin(kPi * x)), frame.drawn);
    }

    glDepthMask(GL_TRUE);
    glPopMatrix();  // projection
    glMatrixMode(GL_MODELVIEW);
    glPopMatrix();
    glDisable(GL_BLEND);
    glEnable(GL_DEPTH_TEST);
}

}  // namespace qm
