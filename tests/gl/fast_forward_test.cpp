// Fast-forward against drawing every frame: the bundled demo reaches the same state and the same picture.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "base/gl_state.h"
#include "platform/offline_driver.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"
#include "support/demo_state.h"
#include "support/temp_dir.h"

namespace qm {
namespace {

using test::demoState;
using test::glStateReport;

// What a frame leaves: every scene's objects, the playlist position, the overlay, the clock and the picture.
struct Moment {
    std::string state;
    std::vector<uint8_t> pixels;
};

class FastForwardTest : public ::testing::Test {
protected:
    // Few frames keep the drawn run short; the step makes no difference to what is compared.
    static constexpr double kFps = 5;

    // Plays the bundled demo to each of `frames` (ascending), fast-forwarding from
    // the last moment (or the start) when asked, and records each of those frames.
    // Each play is a fresh run; afterwards the context's state goes back to a new
    // context's, as the live tool does between runs.
    std::vector<Moment> play(OfflineDriver& driver, const std::vector<long>& frames, bool fastForward) {
        std::vector<Moment> moments;
        size_t next = 0;
        auto run = std::make_unique<DemoRun>();
        run->trace.setEnabled(false);
        driver.setFrameSink([&](long frame, Driver::Frame kind) {
            if (kind != Driver::Frame::Loop || next >= frames.size() || frame != frames[next]) return;
            Moment m{demoState(*run), std::vector<uint8_t>(800 * 600 * 4)};
            glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, m.pixels.data());
            moments.push_back(std::move(m));
            ++next;
            if (fastForward && next < frames.size()) driver.setFastForwardUntil(frames[next]);
        });
        driver.setFastForwardUntil(fastForward ? frames[0] : 0);
        EXPECT_TRUE(startDemo(driver, *run));
        while (!run->quitRequested && next < frames.size()) runFrame(driver, *run);
        run.reset();
        resetGlState();
        driver.restart();
        return moments;
    }
};

TEST_F(FastForwardTest, ReachesTheStateAndPictureOfDrawingEveryFrame) {
    const std::filesystem::path folder = std::filesystem::path(QUILLMOOR_DEMO_DATA_DIR).parent_path();
    test::ScopedWorkingDirectory cwd(folder);
    // A moment in every scene (they change every 16 s, at frames 80, 160, ...), the
    // first frames after a change, and the last frames of the demo.
    const std::vector<long> frames = {3, 81, 120, 161, 200, 280, 330, 420, 475};
    OfflineDriver driver(kFps);
    ASSERT_TRUE(openDemoScreen(driver));
    // Drawn first, so that the fast-forward also starts in a context the demo has used.
    const std::vector<Moment> drawn = play(driver, frames, false);
    const std::vector<Moment> skipped = play(driver, frames, true);
    driver.close();
    ASSERT_EQ(drawn.size(), frames.size());
    ASSERT_EQ(skipped.size(), frames.size());
    for (size_t i = 0; i < frames.size(); ++i) {
        SCOPED_TRACE("frame " + std::to_string(frames[i]));
        EXPECT_EQ(skipped[i].state, drawn[i].state);
        EXPECT_TRUE(skipped[i].pixels == drawn[i].pixels);
    }
}

TEST_F(FastForwardTest, ADemoStartedAgainFindsTheGlStateOfANewContext) {
    const std::filesystem::path folder = std::filesystem::path(QUILLMOOR_DEMO_DATA_DIR).parent_path();
    test::ScopedWorkingDirectory cwd(folder);
    OfflineDriver driver(kFps);
    ASSERT_TRUE(openDemoScreen(driver));
    const std::string fresh = glStateReport();
    // A drawn frame in every scene leaves the state of each kind behind; play() then resets.
    EXPECT_EQ(play(driver, {3, 83, 163, 243, 323, 403}, false).size(), 6u);
    EXPECT_EQ(glStateReport(), fresh);
    driver.close();
}

}  // namespace
}  // namespace qm
