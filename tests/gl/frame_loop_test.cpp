// The frame loop through the offline driver: clear colour, clock steps, keys, the end of the run.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <vector>

#include "base/frame_clock.h"
#include "platform/offline_driver.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"
#include "support/gl_test.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

struct Shot {
    long frame;
    Driver::Frame kind;
    test::Rgba centre;
    double now;
};

class FrameLoopTest : public ::testing::Test {
protected:
    void SetUp() override {
        dir.write("data/globals.qms", "");
        dir.write("data/materials.qms", "");
    }

    int play(OfflineDriver& driver) {
        driver.setFrameSink([&](long frame, Driver::Frame kind) {
            uint8_t p[4] = {};
            glReadPixels(400, 300, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, p);
            shots.push_back({frame, kind, {p[0], p[1], p[2], p[3]}, run.clock.now});
        });
        test::ScopedWorkingDirectory cwd(dir.path());
        return runDemo(driver, run);
    }

    test::TempDir dir;
    std::vector<Shot> shots;
    DemoRun run;
};

TEST_F(FrameLoopTest, FramesAreClearedToMagentaAfterTheFadeInUntilEscapeThenOneBlackFrame) {
    OfflineDriver driver(50.0);
    driver.pressKeyAt(0.1, DemoKey::Escape);  // seen at frame 5's poll; frame 5 is still drawn
    ASSERT_EQ(play(driver), 0);

    ASSERT_EQ(shots.size(), 8u);  // start-up black, frames 0..5, shut-down black
    EXPECT_EQ(shots.front().kind, Driver::Frame::Startup);
    EXPECT_TRUE(test::near(shots.front().centre, {0, 0, 0, 255}));
    // Frame 0 is the start of the overlay's fade-in from black; without a song it
    // lasts no time, so frame 1 shows the full picture.
    // (The fade multiplies the stored alpha as well.)
    EXPECT_TRUE(test::near(shots[1].centre, {0, 0, 0, 0})) << ::testing::PrintToString(shots[1].centre);
    for (size_t i = 1; i + 1 < shots.size(); ++i) {
        EXPECT_EQ(shots[i].frame, static_cast<long>(i - 1));
        if (i > 1) {
            EXPECT_TRUE(test::near(shots[i].centre, {179, 0, 128, 255})) << "frame " << shots[i].frame;
        }
    }
    EXPECT_EQ(shots.back().kind, Driver::Frame::Shutdown);
    EXPECT_TRUE(test::near(shots.back().centre, {0, 0, 0, 255}));
}

TEST_F(FrameLoopTest, TheOfflineClockGivesFrameNTheTimeNOverFps) {
    OfflineDriver driver(25.0);
    driver.setFrameLimit(4);
    ASSERT_EQ(play(driver), 0);
    // The sink runs after the tick that follows frame n's drawing: now = (n + 1) / fps.
    ASSERT_EQ(shots.size(), 6u);
    for (int n = 0; n < 4; ++n) EXPECT_DOUBLE_EQ(shots[n + 1].now, (n + 1) / 25.0);
    EXPECT_DOUBLE_EQ(run.clock.delta, 1 / 25.0);
}

TEST_F(FrameLoopTest, KeysPressedBetweenFramesAreAllActedOnAtTheNextPoll) {
    // Two scenes, so that Enter alone does not end the run; a frame limit, so that a
    // lost close request cannot keep it going.
    dir.write("data/a.qms", "on load\n");
    dir.write("data/b.qms", "on load\n");
    dir.write("data/globals.qms", "new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b\n");
    OfflineDriver driver(10.0);
    driver.setFrameLimit(8);
    driver.pressKeyAtFrame(2, DemoKey::Return);
    driver.pressKeyAtFrame(2, DemoKey::WindowClose);
    ASSERT_EQ(play(driver), 0);
    EXPECT_EQ(shots.size(), 5u) << "the close request ends the run after frame 2";
    EXPECT_EQ(run.demo.current, run.demo.playlist[1]) << "Enter changed the scene in frame 2's step";
    EXPECT_NE(run.demo.playlist[1], nullptr);
}

}  // namespace
}  // namespace qm
