// The live tool on the bundled demo, offscreen: a seek shows the very frame that drawing every frame shows,
// and the display (H) leaves no trace in GL's state or in the demo's pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "live/hud.h"
#include "live/live_session.h"
#include "live/live_window.h"
#include "platform/offline_driver.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"
#include "support/demo_state.h"
#include "support/temp_dir.h"

namespace qm::live {
namespace {

struct Moment {
    std::string state;  // without the clock: after a frame shown, it holds wall time
    std::vector<uint8_t> pixels;
};

std::vector<uint8_t> framePixels() {
    std::vector<uint8_t> pixels(800 * 600 * 4);
    glReadPixels(0, 0, 800, 600, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
    return pixels;
}

class LiveTest : public ::testing::Test {
protected:
    // The wall clock of the sessions: it moves only when a test moves it.
    double wall_ = 1000;
    std::function<double()> clock() {
        return [this] { return wall_; };
    }
    test::ScopedWorkingDirectory cwd_{std::filesystem::path(QUILLMOOR_DEMO_DATA_DIR).parent_path()};
};

TEST_F(LiveTest, ASeekShowsTheFrameThatDrawingEveryFrameShows) {
    // Before, at and after the first sync value (Z07, heard in frame 60), and later ones.
    const std::vector<long> frames = {1, 59, 60, 61, 240, 400};
    std::vector<Moment> drawn;
    {
        OfflineDriver driver(LiveDriver::kStepsPerSecond);
        auto run = std::make_unique<DemoRun>();
        run->trace.setEnabled(false);
        driver.setFrameSink([&](long frame, Driver::Frame kind) {
            if (kind == Driver::Frame::Loop && drawn.size() < frames.size() && frame == frames[drawn.size()])
                drawn.push_back({test::demoState(*run, false), framePixels()});
        });
        ASSERT_TRUE(openDemoScreen(driver));
        ASSERT_TRUE(startDemo(driver, *run));
        while (drawn.size() < frames.size() && !run->quitRequested) runFrame(driver, *run);
        run.reset();  // while its context is current
        driver.close();
    }
    ASSERT_EQ(drawn.size(), frames.size());

    OffscreenWindow window;
    LiveSession session(window, clock(), nullptr);
    std::optional<Moment> shown;
    window.setFrameSink([&](long) { shown = Moment{test::demoState(session.run(), false), framePixels()}; });
    ASSERT_EQ(session.open(LiveOptions{}), 0);
    // Back and forth in one session, as an author seeks.
    for (size_t i : {3, 0, 5, 1, 4, 2}) {
        SCOPED_TRACE("frame " + std::to_string(frames[i]));
        session.seekToStep(frames[i]);
        EXPECT_TRUE(session.run().music.outputPaused()) << "the song goes on only with the first frame shown";
        shown.reset();
        session.frame();
        ASSERT_TRUE(shown);
        EXPECT_FALSE(session.run().music.outputPaused());
        EXPECT_EQ(session.shownSeconds(), static_cast<double>(frames[i]) / LiveDriver::kStepsPerSecond);
        EXPECT_EQ(shown->state, drawn[i].state);
        EXPECT_TRUE(shown->pixels == drawn[i].pixels);
    }
    session.close();
}

TEST_F(LiveTest, TheDisplayPutsBackEveryGlStateAndLeavesTheDemosPixelsAlone) {
    // Ten frames of the knot scene (lights, sphere mapping, blending), the display
    // shown in the first `displayed` of them.
    auto play = [&](int displayed) {
        wall_ = 1000;
        OffscreenWindow window;
        LiveSession session(window, clock(), nullptr);
        std::vector<uint8_t> last;
        window.setFrameSink([&](long) { last = framePixels(); });
        EXPECT_EQ(session.open(LiveOptions{}), 0);
        EXPECT_GE(session.times().entryFrames.size(), 3u);
        session.seekToStep(session.times().entryFrames.at(2) + 60);
        for (int i = 0; i < 10; ++i) {
            session.setDisplay(i < displayed);
            wall_ += 1.0 / LiveDriver::kStepsPerSecond;
            session.frame();
        }
        if (displayed == 0) {
            // Drawn once more by hand, over what the demo left: GL is as before, the panel shows.
            const std::string before = test::glStateReport();
            const std::vector<HudLine> lines = session.displayLines();
            EXPECT_GE(lines.size(), 2u);
            drawHud(lines);
            EXPECT_EQ(test::glStateReport(), before);
            EXPECT_FALSE(framePixels() == last) << "the display drew nothing";
        }
        session.close();
        return last;
    };
    const std::vector<uint8_t> never = play(0);
    EXPECT_TRUE(play(8) == never);
}

}  // namespace
}  // namespace qm::live
