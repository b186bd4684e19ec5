// The playlist at play: scene changes frame by frame, the end of the run, and the keys that reach scenes.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "platform/offline_driver.h"
#include "runtime/demo_keys.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"
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
        run().music.setOfflineOutput(true);  // no sound device in tests
        dir.write("data/a.qms", kSpinningScene);
        dir.write("data/b.qms", kSpinningScene);
    }

    void load(Demo& d, std::string_view globals) {
        dir.write("data/globals.qms", globals);
        ASSERT_TRUE(d.load("data\\globals.qms"));
    }
    // One frame step of a second; a change at the end of the playlist ends the run.
    void frame(Demo& d) {
        if (!d.frame(frameOf(1))) quitRequested = true;
    }
    static float frames(Scene* s) { return s->objects.root->rotation.y / 10; }

    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    test::TraceCapture trace{run().trace};
    bool quitRequested = false;
};

TEST_F(DemoFrameTest, PlaysTheListInOrderWithRepeatsAndEndsAfterTheLast) {
    Demo d(run().stage, run().music);
    load(d,
         "music on\nmusic file data\\song.xm\n"
         "new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes b a b\n");
    Scene* a = d.sceneChain.findByName("a");
    Scene* b = d.sceneChain.findByName("b");

    frame(d);
    EXPECT_EQ(d.current, b);
    EXPECT_EQ(frames(b), 1);

    d.requestAdvance();
    frame(d);  // the change frame updates and draws no scene
    EXPECT_EQ(d.current, a);
    EXPECT_EQ(run().stage.root, a->objects.root.get());
    EXPECT_EQ(frames(a), 0);
    EXPECT_EQ(frames(b), 1);
    frame(d);
    EXPECT_EQ(frames(a), 1);

    d.requestAdvance();
    frame(d);
    frame(d);
    frame(d);
    EXPECT_EQ(d.current, b);
    EXPECT_EQ(frames(b), 3);  // b goes on from where it was
    EXPECT_FALSE(quitRequested);

    d.requestAdvance();
    frame(d);
    EXPECT_TRUE(quitRequested);
    EXPECT_EQ(d.current, b);  // stays as it was
    EXPECT_EQ(frames(b), 3);
}

TEST_F(DemoFrameTest, RequestsDoNotQueue) {
    Demo d(run().stage, run().music);
    load(d, "new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b a\n");
    d.requestAdvance();
    d.requestAdvance();
    frame(d);
    EXPECT_EQ(d.current, d.sceneChain.findByName("b"));
    EXPECT_EQ(d.playIndex, 1);
    EXPECT_FALSE(d.advanceRequested);
}

TEST_F(DemoFrameTest, WithOneSceneOrNoneTheFirstRequestEndsTheRun) {
    for (const char* globals : {"new scene data\\a.qms a\nscenes a\n", "new scene data\\a.qms a\n"}) {
        Demo d(run().stage, run().music);
        quitRequested = false;
        load(d, globals);
        frame(d);
        EXPECT_FALSE(quitRequested) << globals;
        d.requestAdvance();
        frame(d);
        EXPECT_TRUE(quitRequested) << globals;
    }
}

TEST_F(DemoFrameTest, AnUnknownPlaylistNamePlaysTheEmptyChainHeadInItsPlace) {
    Demo d(run().stage, run().music);
    load(d, "new scene data\\a.qms a\nscenes nothing a\n");
    EXPECT_EQ(d.current, &d.sceneChain);
    frame(d);  // draws only the root camera of an empty scene
    d.requestAdvance();
    frame(d);
    frame(d);
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
    Demo& demo = run().demo;
    load(demo, "new scene data\\keys.qms keys\nscenes keys\n");
    Scene* keys = demo.current;
    ASSERT_NE(keys, nullptr);

    handleDemoKey(run(), DemoKey::Digit1);
    EXPECT_EQ(keys->objects.root->findByName("box")->position, (Vec3{1, 0, 0}));
    handleDemoKey(run(), DemoKey::Digit9);
    EXPECT_EQ(keys->objects.root->findByName("box")->position, (Vec3{9, 0, 0}));

    handleDemoKey(run(), DemoKey::F2);
    EXPECT_EQ(keys->objects.root->findByName("box"), nullptr);
    EXPECT_EQ(keys->objects.root->findByName("other")->position, (Vec3{5, 5, 5}));
    handleDemoKey(run(), DemoKey::Digit1);  // its event lists went with the old text
    frame(demo);

    handleDemoKey(run(), DemoKey::Return);
    frame(demo);
    EXPECT_TRUE(quitRequested);
}

// The whole player through the offline driver, which brings its own GL context.
class PlayerRunTest : public ::testing::Test {
protected:
    test::TempDir dir;
    test::ScopedWorkingDirectory cwd{dir.path()};
    DemoRun run;
    test::TraceCapture trace{run.trace};
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
    EXPECT_EQ(runDemo(driver, run), 0);
    EXPECT_EQ(frames, 5);  // the frame of the last change is still drawn
    EXPECT_EQ(run.demo.current, run.demo.sceneChain.findByName("b"));
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
    EXPECT_EQ(runDemo(driver, run), 1);
    const std::string error = ::testing::internal::GetCapturedStderr();
    EXPECT_NE(error.find("data\\globals.qms"), std::string::npos) << error;
    EXPECT_EQ(std::count(error.begin(), error.end(), '\n'), 1) << error;
    EXPECT_EQ(trace.text(), "");
}

}  // namespace
}  // namespace qm
