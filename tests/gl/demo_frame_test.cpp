// The playlist at play: scene changes frame by frame, the end of the run, and the keys that reach scenes.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "base/frame_clock.h"
#include "music/music_player.h"
#include "platform/offline_driver.h"
#include "runtime/demo.h"
#include "runtime/demo_keys.h"
#include "runtime/frame_loop.h"
#include "runtime/globals.h"
#include "support/gl_test.h"
#include "support/temp_dir.h"
#include "support/trace_capture.h"

namespace qm {
namespace {

// Each scene's camera spins 10 degrees per drawn frame (delta is 1 second), so its
// yaw counts the frames in which the scene was updated and drawn.
constexpr const char* kSpinningScene = "on load\nselect Camera\nrotate 0 10 0\nrotating t\n";

class DemoFrameTest : public test::GlTest {
protected:
    void SetUp() override {
        test::GlTest::SetUp();
        saved = frameClock;
        frameClock.delta = 1;
        quitRequested = false;
        musicPlayer.setOfflineOutput(true);  // no sound device in tests
        dir.write("data/a.qms", kSpinningScene);
        dir.write("data/b.qms", kSpinningScene);
    }
    void TearDown() override {
        musicPlayer.close();
        musicPlayer.setOfflineOutput(false);
        frameClock = saved;
        quitRequested = false;
        selectedObject = nullptr;
        sceneRoot = nullptr;
        test::GlTest::TearDown();
    }

    void load(Demo& d, std::string_view globals) {
        dir.write("data/globals.qms", globals);
        ASSERT_TRUE(d.load("data\\globals.qms"));
    }
    static float frames(Scene* s) { return s->objects.root->rotation.y / 10; }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    test::TraceCapture trace;
    FrameClock saved;
};

TEST_F(DemoFrameTest, PlaysTheListInOrderWithRepeatsAndEndsAfterTheLast) {
    Demo d;
    load(d,
         "music on\nmusic file data\\song.xm\n"
         "new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes b a b\n");
    Scene* a = d.sceneChain.findByName("a");
    Scene* b = d.sceneChain.findByName("b");

    d.frame();
    EXPECT_EQ(d.current, b);
    EXPECT_EQ(frames(b), 1);

    d.requestAdvance();
    d.frame();  // the change frame updates and draws no scene
    EXPECT_EQ(d.current, a);
    EXPECT_EQ(sceneRoot, a->objects.root.get());
    EXPECT_EQ(frames(a), 0);
    EXPECT_EQ(frames(b), 1);
    d.frame();
    EXPECT_EQ(frames(a), 1);

    d.requestAdvance();
    d.frame();
    d.frame();
    d.frame();
    EXPECT_EQ(d.current, b);
    EXPECT_EQ(frames(b), 3);  // b goes on from where it was
    EXPECT_FALSE(quitRequested);

    d.requestAdvance();
    d.frame();
    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(d.current, b);  // stays as it was
    EXPECT_EQ(frames(b), 3);
}

TEST_F(DemoFrameTest, RequestsDoNotQueue) {
    Demo d;
    load(d, "new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b a\n");
    d.requestAdvance();
    d.requestAdvance();
    d.frame();
    EXPECT_EQ(d.current, d.sceneChain.findByName("b"));
    EXPECT_EQ(d.playIndex, 1);
    EXPECT_FALSE(d.advanceRequested);
}

TEST_F(DemoFrameTest, WithOneSceneOrNoneTheFirstRequestEndsTheRun) {
    for (const char* globals : {"new scene data\\a.qms a\nscenes a\n", "new scene data\\a.qms a\n"}) {
        Demo d;
        quitRequested = false;
        load(d, globals);
        d.frame();
        EXPECT_FALSE(quitRequested) << globals;
        d.requestAdvance();
        d.frame();
        EXPECT_TRUE(quitRequested) << globals;
    }
}

TEST_F(DemoFrameTest, AnUnknownPlaylistNamePlaysTheEmptyChainHeadInItsPlace) {
    Demo d;
    load(d, "new scene data\\a.qms a\nscenes nothing a\n");
    EXPECT_EQ(d.current, &d.sceneChain);
    d.frame();  // draws only the root camera of an empty scene
    d.requestAdvance();
    d.frame();
    d.frame();
    EXPECT_EQ(d.current, d.sceneChain.findByName("a"));
    EXPECT_EQ(frames(d.current), 1);
    capture();
    EXPECT_TRUE(test::near(pixel(400, 300), {179, 0, 128, 255}));
}

TEST_F(DemoFrameTest, DigitKeysRunEventsAndF2RereadsTheCurrentScene) {
    dir.write("data/keys.qms",
              "on load\nnew camera box\nend new\n"
              "on sync 0\nselect box\nposition 1 0 0\n"
              "on sync 8\nselect box\nposition 9 0 0\n");
    dir.write("tmpscene.qms", "on load\nnew camera other\nposition 5 5 5\nend new\n");
    demo.reset();
    load(demo, "new scene data\\keys.qms keys\nscenes keys\n");
    Scene* keys = demo.current;
    ASSERT_NE(keys, nullptr);

    handleDemoKey(DemoKey::Digit1);
    EXPECT_EQ(keys->objects.root->findByName("box")->position, (Vec3{1, 0, 0}));
    handleDemoKey(DemoKey::Digit9);
    EXPECT_EQ(keys->objects.root->findByName("box")->position, (Vec3{9, 0, 0}));

    handleDemoKey(DemoKey::F2);
    EXPECT_EQ(keys->objects.root->findByName("box"), nullptr);
    EXPECT_EQ(keys->objects.root->findByName("other")->position, (Vec3{5, 5, 5}));
    handleDemoKey(DemoKey::Digit1);  // its event lists went with the old text
    demo.frame();

    handleDemoKey(DemoKey::Return);
    demo.frame();
    EXPECT_TRUE(quitRequested);
    demo.reset();
}

// The whole player through the offline driver, which brings its own GL context.
class PlayerRunTest : public ::testing::Test {
protected:
    void SetUp() override { demo.reset(); }
    void TearDown() override {
        demo.reset();
        musicPlayer.setOfflineOutput(false);
        quitRequested = false;
    }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    test::TraceCapture trace;
};

TEST_F(PlayerRunTest, SwitchesScenesOnEnterAndEndsAfterTheLast) {
    dir.write("data/materials.qms", "");
    dir.write("data/a.qms", "on load\nnew camera thing\nload \"first, 1\"\nend new\n");
    dir.write("data/b.qms", "on load\nnew camera other\nload second\nend new\n");
    dir.write("data/globals.qms", "music on\nnew scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b\n");
    OfflineDriver driver(10.0);
    driver.pressKeyAtFrame(2, DemoKey::Return);
    driver.pressKeyAtFrame(4, DemoKey::Return);
    long frames = 0;
    driver.setFrameSink([&](long frame, Driver::Frame kind) {
        if (kind == Driver::Frame::Loop) frames = frame + 1;
    });
    EXPECT_EQ(runDemo(driver), 0);
    EXPECT_EQ(frames, 5);  // the frame of the last change is still drawn
    EXPECT_EQ(demo.current, demo.sceneChain.findByName("b"));
    EXPECT_EQ(trace.text(),
              "\"music on\"\n"
              "\"new scene data\\a.qms a\"\n"
              "first, 1\n"
              "\"new scene data\\b.qms b\"\n"
              "second\n"
              "\"scenes a b\"\n");
}

TEST_F(PlayerRunTest, AMissingGlobalsScriptEndsTheRunWithStatusOneAndOneLine) {
    dir.write("data/materials.qms", "");
    OfflineDriver driver(10.0);
    ::testing::internal::CaptureStderr();
    EXPECT_EQ(runDemo(driver), 1);
    const std::string error = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find("data\\globals.qms"), std::string::npos) << error;
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_EQ(trace.text(), "");
}

}  // namespace
}  // namespace qm
