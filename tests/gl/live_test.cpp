// The live tool on the bundled demo, offscreen: a seek shows the very frame that drawing every frame shows,
// so does playing on a sound output that keeps its own pace, the demo reads only checked bytes whatever the
// disk does, and the display (H) leaves no trace in GL's state or in the demo's pixels.
#include <GL/gl.h>
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "live/check_process.h"
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

TEST_F(LiveTest, PlayingOnAnOutputSlowerThanTheWallShowsWhatASeekToTheTimeShownShows) {
    // A stand-in sound output that takes the song at half the wall's pace: 735 song
    // frames (1/60 s) a frame while the wall moves 1/30 s.
    OffscreenWindow window;
    int64_t taken = 0;
    window.setOutput([&] { return taken; });
    LiveSession session(window, clock(), nullptr);
    std::optional<Moment> shown;
    window.setFrameSink([&](long) { shown = Moment{test::demoState(session.run(), false), framePixels()}; });
    ASSERT_EQ(session.open(LiveOptions{}), 0);
    // Half a second before the first sync value (Z07, heard in step 60), then 1.5 s of
    // the song heard (3 s of the wall): the Z07 is acted on along the way.
    session.seekToStep(30);
    for (int i = 0; i < 90; ++i) {
        session.frame();
        wall_ += 2.0 / LiveDriver::kStepsPerSecond;
        taken += 735;
    }
    ASSERT_TRUE(shown);
    const Moment played = *shown;
    const double at = session.shownSeconds();
    // The time shown is the song's: at most 0.5 + 1.5 s, a frame or two behind the output.
    EXPECT_LE(at, 2.0);
    EXPECT_GE(at, 2.0 - 2.0 / LiveDriver::kStepsPerSecond);
    bool z07 = false;  // the value at 0:00.998 was acted on on the way
    for (const HudLine& line : session.displayLines())
        z07 = z07 || line.text.find(" Z07 ") != std::string::npos;
    EXPECT_TRUE(z07);

    session.seek(at);
    shown.reset();
    session.frame();
    ASSERT_TRUE(shown);
    EXPECT_EQ(session.shownSeconds(), at);
    EXPECT_EQ(shown->state, played.state);
    EXPECT_TRUE(shown->pixels == played.pixels);
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

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

// The picture above the line at the bottom edge that says a change is held back.
std::vector<uint8_t> abovePixels(const std::vector<uint8_t>& pixels) {
    constexpr size_t kRowBytes = 800 * 4;
    return std::vector<uint8_t>(pixels.begin() + static_cast<long>(kRowBytes * 30), pixels.end());
}

// Frames of the session until `done` holds (at most `seconds` of the wall).
bool playUntil(LiveSession& session, const std::function<bool()>& done, double seconds = 20) {
    const double until = steadySeconds() + seconds;
    while (!done() && steadySeconds() < until) {
        session.frame();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return done();
}

// What the disk does under the tool, on a copy of the bundled demo with the real
// checker and folder watch: each event is a change like a save, checked and held
// back with its message while the demo plays its last good files (a seek shows the
// same picture as before), and mending it brings a reload.
TEST(LiveDisk, EventsOnDiskAreCheckedAndHeldBackAndTheDemoReadsItsLastGoodFiles) {
    const test::TempDir dir;
    std::filesystem::copy(QUILLMOOR_DEMO_DATA_DIR, dir.path() / "data");
    const test::ScopedWorkingDirectory cwd(dir.path());
    CheckProcess checker;  // forked in the demo's folder, before this process has a GL context
    ASSERT_TRUE(checker.start());
    const std::string globals = [] {
        std::ifstream in("data/globals.qms", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    const std::string knot = [] {
        std::ifstream in("data/knot.qms", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }();
    auto put = [](const char* file, const std::string& bytes) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << bytes;
    };
    namespace fs = std::filesystem;
    const struct {
        const char* name;
        std::function<void()> disturb, mend;
        const char* says;  // in the diagnostics of the held-back check
    } events[] = {
        {"a scene script vanishes", [] { fs::rename("data/knot.qms", "knot.away"); },
         [] { fs::rename("knot.away", "data/knot.qms"); }, "cannot open scene script \"data/knot.qms\""},
        {"a scene script becomes unreadable",
         [] {
             // Permissions do not stop the superuser: a file that is no regular file does.
             if (::geteuid() != 0) {
                 fs::permissions("data/knot.qms", fs::perms::none);
                 return;
             }
             fs::rename("data/knot.qms", "knot.away");
             ::mkfifo("data/knot.qms", 0644);
         },
         [] {
             if (::geteuid() != 0) {
                 fs::permissions("data/knot.qms", fs::perms::owner_read | fs::perms::owner_write);
                 return;
             }
             fs::remove("data/knot.qms");
             fs::rename("knot.away", "data/knot.qms");
         },
         "cannot open scene script \"data/knot.qms\""},
        {"a scene script is saved empty", [&] { put("data/knot.qms", ""); },
         [&] { put("data/knot.qms", knot); }, "data/knot.qms was saved empty"},
        {"the data folder is renamed", [] { fs::rename("data", "data.away"); },
         [] { fs::rename("data.away", "data"); }, "data/globals.qms not found"},
        {"a scene script named before it is written",
         [&] { put("data/globals.qms", globals + "new scene data\\extra.qms extra\n"); },
         [&] { put("data/extra.qms", "on load\n"); }, "cannot open scene script \"data/extra.qms\""},
    };

    OffscreenWindow window;
    LiveSession session(window, &steadySeconds, &checker);
    std::vector<uint8_t> last;
    window.setFrameSink([&](long) { last = framePixels(); });
    ASSERT_EQ(session.open(LiveOptions{}), 0);
    session.setPaused(true);
    ASSERT_TRUE(playUntil(session, [&] { return !session.checking(); }));
    ASSERT_FALSE(session.holdingBack()) << session.diagnostics().size();
    // A moment of the knot scene, sought before anything happens.
    const long inKnot = session.times().entryFrames.at(2) + 90;
    session.seekToStep(inKnot);
    session.frame();
    const std::vector<uint8_t> good = last;

    int reloads = session.reloads();
    for (const auto& e : events) {
        SCOPED_TRACE(e.name);
        e.disturb();
        ASSERT_TRUE(playUntil(session, [&] { return session.holdingBack(); }));
        std::string said = session.statusLine();
        for (const std::string& d : session.diagnostics()) said += "\n" + d;
        EXPECT_NE(said.find(e.says), std::string::npos) << said;
        EXPECT_NE(session.title().find("(held back)"), std::string::npos) << session.title();
        EXPECT_FALSE(session.statusLine().empty()) << "the display is off, and it still shows";
        session.seekToStep(inKnot);
        session.frame();
        EXPECT_TRUE(abovePixels(last) == abovePixels(good)) << "a seek reads the last good files";
        EXPECT_FALSE(last == good) << "the line at the bottom edge says it";

        e.mend();
        ASSERT_TRUE(
            playUntil(session, [&] { return session.reloads() > reloads && !session.holdingBack(); }));
        reloads = session.reloads();
        std::printf("%s, mended: the new picture %.3f s after the change\n", e.name,
                    session.lastReloadDelay());
        session.seekToStep(inKnot);
        session.frame();
        EXPECT_TRUE(last == good);
    }

    // With the folder away, the keys still act: Escape ends the tool.
    fs::rename("data", "data.away");
    ASSERT_TRUE(playUntil(session, [&] { return session.holdingBack(); }));
    session.seek(10);
    window.pressPlayerKey(DemoKey::Escape);
    session.frame();
    EXPECT_TRUE(session.finished());
    session.close();
}

}  // namespace
}  // namespace qm::live
