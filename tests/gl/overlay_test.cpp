// The screen overlay read back from the frame: each effect's alpha over time, the
// zero-length first frame, composition order, and the GL state it leaves.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <cmath>

#include "base/frame_clock.h"
#include "music/music_player.h"
#include "runtime/overlay.h"
#include "support/gl_test.h"

namespace qm {
namespace {

constexpr int kWhite = 255;
constexpr int kBlack = 0;

class OverlayTest : public test::GlTest {
protected:
    Overlay& overlay = run().overlay;
    MusicPlayer& musicPlayer = run().music;

    void triggerAt(double now, int effect) {
        run().clock.now = now;
        overlay.trigger(effect);
    }

    // The grey level at the centre after the overlay is drawn at `now` over a frame
    // cleared to `background` (0 or 255 in every channel).
    int greyAt(double now, int background) {
        const float b = background / 255.0f;
        glClearColor(b, b, b, 1);
        glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
        run().clock.now = now;
        overlay.draw(run().frameContext(true));
        const test::Rgba c = readPixel(400, 300);
        EXPECT_EQ(c[0], c[1]);
        EXPECT_EQ(c[1], c[2]);
        return c[0];
    }

    // True when nothing at all is drawn at `now` (a coloured frame stays as it is).
    bool nothingDrawnAt(double now) {
        glClearColor(0.7f, 0.0f, 0.5f, 1.0f);
        glClear(GL_COLOR_BUFFER_BIT);
        run().clock.now = now;
        overlay.draw(run().frameContext(true));
        return test::near(readPixel(400, 300), {179, 0, 128, 255}, 1);
    }
};

TEST_F(OverlayTest, NothingIsDrawnBeforeAnyTriggerEvenAtTimeZero) {
    EXPECT_TRUE(nothingDrawnAt(0.0));
    EXPECT_TRUE(nothingDrawnAt(5.0));
}

// Additive layers are read over black, multiplying layers over white, so the grey
// level is 255 x alpha in both cases.
struct Sample {
    double after;  // seconds after the trigger
    int grey;      // -1: nothing drawn
};
struct EffectCase {
    int effect;
    int background;
    std::vector<Sample> samples;
};

TEST_F(OverlayTest, EachEffectFollowsItsCurveAndVanishesAfterItsEnd) {
    musicPlayer.beatUnit = 0.25f;  // 120 BPM
    const EffectCase cases[] = {
        // white flash, 0.2 s whatever the tempo: 1 at t, 0.5 at t + 0.1, none after t + 0.2
        {0, kBlack, {{0, 255}, {0.1, 128}, {0.2, 0}, {0.2001, -1}}},
        // whitening over 2 units
        {1, kBlack, {{0, 0}, {0.25, 128}, {0.5, 255}, {0.5001, -1}}},
        // darkening over 2 units
        {2, kWhite, {{0, 255}, {0.25, 128}, {0.5, 0}, {0.5001, -1}}},
        // fade in from black over 4 units: a second at 120 BPM
        {3, kWhite, {{0, 0}, {0.5, 128}, {1.0, 255}, {1.0001, -1}}},
        // white pulse peaking halfway
        {4, kBlack, {{0, 0}, {0.125, 181}, {0.25, 255}, {0.5, 0}, {0.5001, -1}}},
        // dip to black halfway and back
        {5, kWhite, {{0, 255}, {0.125, 75}, {0.25, 0}, {0.5, 255}, {0.5001, -1}}},
        // slow whitening over 17 units: 4.25 s
        {6, kBlack, {{0, 0}, {2.125, 128}, {4.25, 255}, {4.2501, -1}}},
    };
    for (const EffectCase& c : cases) {
        overlay.reset();
        const double t = 7.5;
        triggerAt(t, c.effect);
        for (const Sample& s : c.samples) {
            SCOPED_TRACE(::testing::Message() << "effect " << c.effect << " at t + " << s.after);
            if (s.grey < 0)
                EXPECT_TRUE(nothingDrawnAt(t + s.after));
            else
                EXPECT_NEAR(greyAt(t + s.after, c.background), s.grey, 2);
        }
    }
}

// Without a song the beat unit is 0: a layer of no length, drawn only in the frame
// whose time equals its trigger time. Its start (x = 1) is drawn, so the first
// frame's fade-in shows black as it does with a song, and no NaN reaches GL.
TEST_F(OverlayTest, AZeroLengthLayerShowsItsStartForOneFrame) {
    for (double t : {0.0, 2.0}) {
        overlay.reset();
        triggerAt(t, 3);
        EXPECT_EQ(greyAt(t, kWhite), 0) << t;
        EXPECT_TRUE(nothingDrawnAt(t + 0.001)) << t;
    }
    overlay.reset();
    triggerAt(2.0, 4);  // pulse: sin(pi) is nearly 0, nothing visible
    EXPECT_LE(greyAt(2.0, kBlack), 1);
    overlay.reset();
    triggerAt(2.0, 1);  // rising flash starts at no white
    EXPECT_EQ(greyAt(2.0, kBlack), 0);
}

TEST_F(OverlayTest, LayersAreComposedFlashFadePulseDip) {
    musicPlayer.beatUnit = 0.25f;
    for (int effect : {5, 4, 2, 0}) triggerAt(1.0, effect);  // trigger order does not matter
    // At t + 0.1: flash alpha 0.5, fade (falling) 0.8, pulse sin(0.8 pi), dip 1 - sin(0.8 pi).
    const double pulse = std::sin(3.1415927 * 0.8);
    double v = 0;
    v = std::min(1.0, v + 0.5);    // flash adds white
    v = v * 0.8;                   // fade multiplies
    v = std::min(1.0, v + pulse);  // pulse adds white
    v = v * (1 - pulse);           // dip multiplies
    EXPECT_NEAR(greyAt(1.1, kBlack), 255 * v, 3);
}

TEST_F(OverlayTest, ATriggerReplacesOnlyItsOwnLayer) {
    musicPlayer.beatUnit = 0.25f;
    // Effect 2 during a running fade-in: the darkening starts from the full picture at once.
    triggerAt(1.0, 3);
    triggerAt(1.5, 2);
    EXPECT_EQ(greyAt(1.5, kWhite), 255);
    EXPECT_NEAR(greyAt(1.75, kWhite), 128, 2);
    // Effect 0 during effect 6 (same layer): the short flash, then nothing.
    overlay.reset();
    triggerAt(1.0, 6);
    triggerAt(2.0, 0);
    EXPECT_EQ(greyAt(2.0, kBlack), 255);
    EXPECT_TRUE(nothingDrawnAt(2.3));
    // A flash on top of a running dip leaves the dip running.
    overlay.reset();
    triggerAt(1.0, 5);
    triggerAt(1.25, 0);
    EXPECT_EQ(greyAt(1.25, kBlack), 0);  // white flash, then the dip at black
    EXPECT_NEAR(greyAt(1.5, kWhite), 255, 1);
}

TEST_F(OverlayTest, UnknownEffectsChangeNothing) {
    musicPlayer.beatUnit = 0.25f;
    for (int effect : {7, -1, 255, 1000}) triggerAt(1.0, effect);
    EXPECT_TRUE(nothingDrawnAt(1.0));
    EXPECT_EQ(overlay.flashEnd + overlay.fadeEnd + overlay.pulseEnd + overlay.dipEnd, 0.0);
}

TEST_F(OverlayTest, LeavesBlendingOffDepthTestOnAndTheMatricesAsTheyWere) {
    musicPlayer.beatUnit = 0.25f;
    triggerAt(1.0, 0);
    triggerAt(1.0, 5);  // the dip is drawn last
    glEnable(GL_TEXTURE_2D);
    glEnable(GL_LIGHTING);
    glEnable(GL_FOG);
    glDepthMask(GL_FALSE);
    glTranslatef(1, 2, 3);
    GLfloat modelview[16], projection[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, modelview);
    glGetFloatv(GL_PROJECTION_MATRIX, projection);

    run().clock.now = 1.1;
    overlay.draw(run().frameContext(true));

    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    EXPECT_TRUE(glIsEnabled(GL_DEPTH_TEST));
    EXPECT_FALSE(glIsEnabled(GL_TEXTURE_2D));
    EXPECT_FALSE(glIsEnabled(GL_LIGHTING));
    EXPECT_FALSE(glIsEnabled(GL_FOG));
    GLboolean depthMask = GL_FALSE;
    glGetBooleanv(GL_DEPTH_WRITEMASK, &depthMask);
    EXPECT_TRUE(depthMask);
    GLint mode = 0, src = 0, dst = 0;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    EXPECT_EQ(mode, GL_MODELVIEW);
    glGetIntegerv(GL_BLEND_SRC, &src);
    glGetIntegerv(GL_BLEND_DST, &dst);
    EXPECT_EQ(src, GL_SRC_ALPHA);
    EXPECT_EQ(dst, GL_SRC_ALPHA);  // the dip's
    GLfloat after[16];
    glGetFloatv(GL_MODELVIEW_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], modelview[i]);
    glGetFloatv(GL_PROJECTION_MATRIX, after);
    for (int i = 0; i < 16; ++i) EXPECT_EQ(after[i], projection[i]);
    EXPECT_EQ(glGetError(), static_cast<GLenum>(GL_NO_ERROR));
}

}  // namespace
}  // namespace qm
