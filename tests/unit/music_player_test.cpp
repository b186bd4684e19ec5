// The music player: beat unit, flags, "music off", each Zxx value's action, offline
// release by frame, and the window player's release through SDL's dummy audio driver.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <string>
#include <thread>
#include <vector>

#include "base/frame_clock.h"
#include "music/music_player.h"
#include "platform/offline_driver.h"
#include "runtime/demo_run.h"
#include "runtime/sync_actions.h"
#include "support/temp_dir.h"
#include "support/test_songs.h"
#include "support/trace_capture.h"

namespace qm {
namespace {

using modwrite::Effect;

int64_t steadyMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

// What the test's sync action saw at each release: the time, the frame step it came in
// (the window player's test counts them) and the last buffer the output asked for.
struct Released {
    int value;
    int64_t micros;
    int step;
    int64_t bufferFirst, bufferFrames, bufferMicros;
};
std::vector<Released> released;
int releaseStep = 0;
// The test's sync action; `player` is the music player that released the value.
void record(void* player, int value) {
    Released r{value, steadyMicros(), releaseStep, 0, 0, 0};
    static_cast<const MusicPlayer*>(player)->playClock().lastBuffer(r.bufferFirst, r.bufferFrames,
                                                                    r.bufferMicros);
    released.push_back(r);
}

std::vector<int> releasedValues() {
    std::vector<int> values;
    for (const Released& r : released) values.push_back(r.value);
    return values;
}

int64_t stampOf(const test::ExpectedSync& e) {
    return e.rowStart - e.rowStart % 64;
}

// The timing song's values stamped before `frames`: the first pass, then the first
// rows of the second (which must reach that far).
std::vector<test::ExpectedSync> stampedBefore(const test::TimingSong& t, int64_t frames) {
    std::vector<test::ExpectedSync> due;
    for (const auto* pass : {&t.expected, &t.secondPass})
        for (const test::ExpectedSync& e : *pass)
            if (stampOf(e) < frames) due.push_back(e);
    EXPECT_LT(frames, t.secondPass.back().rowStart) << "past the second pass's rows worked out";
    return due;
}

std::vector<int> valuesOf(const std::vector<test::ExpectedSync>& list) {
    std::vector<int> values;
    for (const test::ExpectedSync& e : list) values.push_back(e.value);
    return values;
}

// Each test plays on a fresh run of the demo; its music player records what it releases.
class MusicPlayerTest : public ::testing::Test {
protected:
    MusicPlayerTest() : musicPlayer(run.music) {
        released.clear();
        releaseStep = 0;
        musicPlayer.setOfflineOutput(true);
        musicPlayer.setSyncAction(&record, &musicPlayer);
    }

    // Writes a song below the scratch directory; returns its path as a script writes it.
    std::string songFile(const modwrite::Song& song, test::SongFormat format = test::SongFormat::Xm) {
        dir.write("data/song.mod", test::writeSong(song, format));
        return (dir.path() / "data" / "song.mod").string();
    }

    test::TempDir dir;
    DemoRun run;
    DiskFiles disk;  // songs are read from disk
    MusicPlayer& musicPlayer;
    Overlay& overlay = run.overlay;
    Demo& demo = run.demo;
};

TEST_F(MusicPlayerTest, BeatUnitIsTheTempoOnceTheSongHasStarted) {
    struct Case {
        int headerTempo;
        int rowZeroTempo;  // 0: none
        int laterTempo;    // on row 4; 0: none
        int expectedTempo;
    };
    for (const Case& c :
         {Case{120, 0, 0, 120}, Case{125, 120, 0, 120}, Case{120, 0, 240, 120}, Case{125, 0, 0, 125}}) {
        SCOPED_TRACE(c.headerTempo * 1000 + c.rowZeroTempo);
        modwrite::Song song = test::basicSong(2, 1, 8, 6, c.headerTempo);
        if (c.rowZeroTempo) test::put(song, 0, 0, 1, Effect::Tempo, static_cast<uint8_t>(c.rowZeroTempo));
        if (c.laterTempo) test::put(song, 0, 4, 1, Effect::Tempo, static_cast<uint8_t>(c.laterTempo));
        musicPlayer.init(1);
        musicPlayer.loadSong(songFile(song), disk);
        EXPECT_EQ(musicPlayer.beatUnit, 0.0f);  // 0 until the song starts
        musicPlayer.play();
        EXPECT_FLOAT_EQ(musicPlayer.beatUnit, static_cast<float>(c.expectedTempo) * 0.0020833334f);
        musicPlayer.close();
    }
    // 120 BPM: a beat unit of a quarter second.
    EXPECT_FLOAT_EQ(120 * MusicPlayer::kBeatUnitPerTempo, 0.25f);
}

TEST_F(MusicPlayerTest, ASongNamedBeforeMusicOnOrOffIsNeitherLoadedNorPlayed) {
    musicPlayer.loadSong(songFile(test::basicSong(2, 1, 8)), disk);
    musicPlayer.play();
    EXPECT_FALSE(musicPlayer.songLoaded);
    EXPECT_FALSE(musicPlayer.playing);
    EXPECT_EQ(musicPlayer.beatUnit, 0.0f);
}

TEST_F(MusicPlayerTest, AnUnreadableSongCountsAsLoadedButPlaysSilenceAndSendsNoSync) {
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("data/broken.xm", "Extended Module: but nothing after");
    musicPlayer.init(1);
    musicPlayer.loadSong("data\\broken.xm", disk);
    EXPECT_TRUE(musicPlayer.songLoaded);
    musicPlayer.play();
    EXPECT_TRUE(musicPlayer.playing);
    EXPECT_EQ(musicPlayer.beatUnit, 0.0f);
    std::vector<int16_t> pcm(44100 * 2, 5);
    musicPlayer.renderOffline(pcm.data(), 44100);
    musicPlayer.releaseEventsBefore(44100);
    for (int16_t s : pcm) ASSERT_EQ(s, 0);
    EXPECT_TRUE(released.empty());
}

TEST_F(MusicPlayerTest, ScriptPathsWithBackslashesAndOtherCaseAreFound) {
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("Data/Song.XM", modwrite::writeXm(test::basicSong(2, 1, 8, 6, 150)));
    musicPlayer.init(1);
    musicPlayer.loadSong("data\\song.xm", disk);
    musicPlayer.play();
    EXPECT_FLOAT_EQ(musicPlayer.beatUnit, 150 * MusicPlayer::kBeatUnitPerTempo);
}

// "music off" plays the song without sound: its sync comes exactly as with sound,
// on into the song's second pass.
TEST_F(MusicPlayerTest, MusicOffIsSilentWithTheSameSync) {
    const test::TimingSong t = test::timingSong();
    const std::string path = songFile(t.song);
    const int64_t frames = (t.endFrame / 735 + 12) * 735;  // two rows into the second pass
    std::vector<std::vector<int>> values;
    for (int n : {1, 0}) {
        released.clear();
        musicPlayer.init(n);
        musicPlayer.loadSong(path, disk);
        musicPlayer.play();
        std::vector<int16_t> pcm(735 * 2);
        bool sound = false;
        for (int64_t done = 0; done < frames; done += 735) {
            musicPlayer.renderOffline(pcm.data(), 735);
            musicPlayer.releaseEventsBefore(done + 735);
            for (int16_t s : pcm) sound = sound || s != 0;
        }
        EXPECT_EQ(sound, n == 1);
        values.push_back(releasedValues());
        musicPlayer.close();
    }
    EXPECT_EQ(values[0], valuesOf(stampedBefore(t, frames)));
    EXPECT_EQ(values[1], values[0]);
}

TEST_F(MusicPlayerTest, EachValueDoesItsOverlayEffectOrSceneChange) {
    musicPlayer.setSyncAction(nullptr, nullptr);  // the real action
    musicPlayer.beatUnit = 0.25f;
    run.clock.now = 10.0;
    struct Case {
        int value;
        double Overlay::*end;  // the layer the value starts, or null
        double duration;
        bool rising;
    };
    const Case cases[] = {
        {1, &Overlay::flashEnd, 0.2, false},
        {27, &Overlay::flashEnd, 0.2, false},
        {2, &Overlay::flashEnd, 0.5, true},
        {3, &Overlay::fadeEnd, 0.5, false},
        {4, &Overlay::fadeEnd, 1.0, true},
        {5, &Overlay::pulseEnd, 0.5, false},
        {6, &Overlay::dipEnd, 0.5, false},
        {255, &Overlay::flashEnd, 4.25, true},
        {0, nullptr, 0, false},
        {7, nullptr, 0, false},
        {26, nullptr, 0, false},
        {28, nullptr, 0, false},
        {254, nullptr, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        overlay.reset();
        demo.advanceRequested = false;
        onPatternEffect(run, c.value);
        EXPECT_EQ(demo.advanceRequested, c.value == 0);
        for (double Overlay::*end :
             {&Overlay::flashEnd, &Overlay::fadeEnd, &Overlay::pulseEnd, &Overlay::dipEnd}) {
            if (end == c.end)
                EXPECT_NEAR(overlay.*end, 10.0 + c.duration, 1e-6);
            else
                EXPECT_EQ(overlay.*end, 0.0);
        }
        if (c.end == &Overlay::flashEnd) {
            EXPECT_EQ(overlay.flashRising, c.rising);
        }
        if (c.end == &Overlay::fadeEnd) {
            EXPECT_EQ(overlay.fadeRising, c.rising);
        }
    }
    // Two scene changes before one frame step are one request.
    onPatternEffect(run, 0);
    onPatternEffect(run, 0);
    EXPECT_TRUE(demo.advanceRequested);
}

// Every value runs the current scene's event of its number after its own effect. Z00
// runs event 0 of the scene that is still current: the change waits for the next
// frame step.
TEST_F(MusicPlayerTest, EachValueRunsItsEventOnTheSceneThatIsStillCurrent) {
    musicPlayer.setSyncAction(nullptr, nullptr);  // the real action
    std::string first = "on load\nnew camera mark\nend new\n";
    for (int value : {0, 1, 27, 128, 200, 255})
        first += "on sync " + std::to_string(value) + "\nselect mark\nposition " + std::to_string(value) +
                 " 0 0\n";
    dir.write("data/a.qms", first);
    dir.write("data/b.qms", "on load\nnew camera mark\nend new\non sync 0\nselect mark\nposition -1 0 0\n");
    dir.write("data/globals.qms", "new scene data\\a.qms a\nnew scene data\\b.qms b\nscenes a b\n");
    test::ScopedWorkingDirectory cwd(dir.path());
    test::TraceCapture trace(run.trace);
    ASSERT_TRUE(demo.load("data\\globals.qms"));
    Scene* a = demo.playlist[0];
    Scene* b = demo.playlist[1];
    ASSERT_EQ(demo.current, a);
    SceneObject* markA = a->objects.root->findByName("mark");
    SceneObject* markB = b->objects.root->findByName("mark");
    for (int value : {1, 27, 128, 200, 255, 0}) {
        onPatternEffect(run, value);
        EXPECT_EQ(markA->position.x, value);
    }
    EXPECT_EQ(demo.current, a);
    EXPECT_TRUE(demo.advanceRequested);
    EXPECT_EQ(markB->position.x, 0) << "the next scene's event 0 does not run";
}

// Values from 0x80 up (in IT, fixed filter macros) are sync values like any other:
// they reach the action unchanged, from every format.
class HighSyncValuesTest : public MusicPlayerTest, public ::testing::WithParamInterface<test::SongFormat> {};

TEST_P(HighSyncValuesTest, ReachTheActionUnchanged) {
    modwrite::Song song = test::basicSong(2, 1, 64);
    const std::vector<int> values{0x7F, 0x80, 0xC3, 0xFF, 0x01};
    for (size_t i = 0; i < values.size(); ++i)
        test::putSync(song, 0, static_cast<int>(4 * i), 1, static_cast<uint8_t>(values[i]));
    musicPlayer.init(1);
    musicPlayer.loadSong(songFile(song, GetParam()), disk);
    musicPlayer.play();
    std::vector<int16_t> pcm(2 * 1024);
    for (int block = 0; block < 100; ++block) musicPlayer.renderOffline(pcm.data(), 1024);  // past row 16
    musicPlayer.releaseEventsBefore(std::numeric_limits<int64_t>::max());
    EXPECT_EQ(releasedValues(), values);
}

INSTANTIATE_TEST_SUITE_P(Formats, HighSyncValuesTest,
                         ::testing::Values(test::SongFormat::Xm, test::SongFormat::It,
                                           test::SongFormat::ItPlain, test::SongFormat::S3m),
                         [](const auto& info) { return test::formatName(info.param); });

// The offline driver: by frame n exactly round(44100 n / fps) frames are rendered,
// and an event goes out before the first frame whose time is past its stamp.
TEST_F(MusicPlayerTest, OfflineFramesRenderExactAudioAndReleaseByTheirTime) {
    const test::TimingSong t = test::timingSong();
    for (double fps : {50.0, 60.0, 29.97}) {
        SCOPED_TRACE(fps);
        released.clear();
        musicPlayer.init(1);
        musicPlayer.loadSong(songFile(t.song), disk);
        musicPlayer.play();
        OfflineDriver driver(fps);
        std::vector<int16_t> audio;
        driver.setAudioSink(
            [&](const int16_t* pcm, size_t frames) { audio.insert(audio.end(), pcm, pcm + 2 * frames); });
        std::vector<long> releaseFrame;
        const long lastFrame = static_cast<long>(std::ceil(t.endFrame / 44100.0 * fps)) + 5;
        for (long n = 0; n <= lastFrame; ++n) {
            driver.releaseSyncEvents(musicPlayer);
            ASSERT_EQ(driver.audioFrames(), std::llround(44100.0 * n / fps));
            ASSERT_EQ(audio.size(), 2 * static_cast<size_t>(driver.audioFrames()));
            while (releaseFrame.size() < released.size()) releaseFrame.push_back(n);
            driver.frameDrawn(n == lastFrame, musicPlayer);
        }
        // The last frame gets its own stretch of audio: as long as the frames shown.
        EXPECT_EQ(driver.audioFrames(), std::llround(44100.0 * (lastFrame + 1) / fps));

        // Five frames into the second pass, its first rows have fired too.
        const std::vector<test::ExpectedSync> due = stampedBefore(t, std::llround(44100.0 * lastFrame / fps));
        ASSERT_GT(due.size(), t.expected.size());
        ASSERT_EQ(releasedValues(), valuesOf(due));
        for (size_t i = 0; i < due.size(); ++i) {
            const int64_t stamp = stampOf(due[i]);
            const long n = releaseFrame[i];
            EXPECT_LT(stamp, std::llround(44100.0 * n / fps)) << i;
            EXPECT_GE(stamp, std::llround(44100.0 * (n - 1) / fps)) << i;
        }
        // The audio handed out is the song itself as it plays on.
        SongStream reference;
        ASSERT_TRUE(reference.open(modwrite::writeXm(t.song)));
        SyncQueue ignored;
        std::vector<int16_t> expected(audio.size());
        reference.render(expected.data(), audio.size() / 2, ignored);
        EXPECT_TRUE(audio == expected);
        musicPlayer.close();
    }
}

// No usable sound output: the player falls back to SDL's dummy driver in the same
// process, so the song and its sync still run.
TEST_F(MusicPlayerTest, WithoutASoundCardTheDummyDriverTakesOver) {
    setenv("SDL_AUDIODRIVER", "no-such-driver", 1);
    musicPlayer.setOfflineOutput(false);
    musicPlayer.init(1);
    EXPECT_TRUE(musicPlayer.device().isOpen());
    EXPECT_EQ(musicPlayer.device().driverName(), "dummy");
    EXPECT_TRUE(musicPlayer.device().fellBack());
    EXPECT_EQ(musicPlayer.device().latencyFrames(), 0);
    musicPlayer.loadSong(songFile(test::basicSong(2, 1, 8)), disk);
    musicPlayer.play();
    EXPECT_TRUE(musicPlayer.playing);
    musicPlayer.stop();
    musicPlayer.close();
    EXPECT_FALSE(musicPlayer.device().isOpen());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// The window player through SDL's dummy audio driver, on its own thread: values are
// released in order, each once, and only after its sample has been played: the
// buffer holding it has been asked for, and the time since then covers its place in
// the buffer. Nothing judged depends on how the threads are scheduled: the test waits
// for the values (up to a minute) rather than for a time, and each value must go out
// at the first frame step after the play clock has passed it, however late that step
// comes. The delay from audible to released is printed (about a frame here), not judged.
TEST_F(MusicPlayerTest, DummyDriverReleasesEachValueOnceItHasBeenPlayed) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const test::TimingSong t = test::timingSong();
    musicPlayer.setOfflineOutput(false);
    musicPlayer.init(1);
    ASSERT_TRUE(musicPlayer.device().isOpen());
    EXPECT_EQ(musicPlayer.device().driverName(), "dummy");
    musicPlayer.loadSong(songFile(t.song, test::SongFormat::It), disk);
    musicPlayer.play();

    const size_t count = t.expected.size();
    std::vector<int> dueBy(count, -1);  // the first frame step before which the clock had passed the stamp
    const int64_t giveUp = steadyMicros() + 60 * 1000000;
    for (releaseStep = 0; released.size() < count && steadyMicros() < giveUp; ++releaseStep) {
        const int64_t heard = musicPlayer.playPosition();
        for (size_t i = 0; i < count; ++i)
            if (dueBy[i] < 0 && stampOf(t.expected[i]) < heard) dueBy[i] = releaseStep;
        musicPlayer.releaseHeardEvents();
        std::this_thread::sleep_for(std::chrono::microseconds(16667));
    }
    musicPlayer.stop();
    musicPlayer.close();

    // A value of the second pass may come in the step of the first pass's last one.
    ASSERT_GE(released.size(), count) << "the song's values did not all come within a minute";
    std::vector<int> values = releasedValues();
    values.resize(count);
    EXPECT_EQ(values, valuesOf(t.expected));
    for (size_t i = count; i < released.size(); ++i)
        EXPECT_EQ(released[i].value, t.secondPass[i - count].value);

    double worst = -1e9, best = 1e9, sum = 0;
    for (size_t i = 0; i < count; ++i) {
        SCOPED_TRACE(i);
        const Released& r = released[i];
        const int64_t stamp = stampOf(t.expected[i]);
        EXPECT_GT(r.bufferFirst + r.bufferFrames, stamp) << "released before its buffer was asked for";
        const double audible = r.bufferMicros + (stamp - r.bufferFirst) * 1e6 / 44100;
        if (r.bufferFirst <= stamp) {
            EXPECT_GE(r.micros, audible) << "released before its place in the buffer";
        }
        if (dueBy[i] >= 0) {
            EXPECT_LE(r.step, dueBy[i]) << "held back past a frame step that had heard it";
        }
        const double delay = (r.micros - audible) / 1000.0;
        worst = std::max(worst, delay);
        best = std::min(best, delay);
        sum += delay;
    }
    std::printf(
        "[ sync     ] dummy driver, %zu events, release minus audible: min %.2f ms, mean %.2f ms, max %.2f "
        "ms\n",
        count, best, sum / static_cast<double>(count), worst);
}

// A tool's pause (the live tool's seek): with the output paused, the song starts
// without it and the main thread pulls it up to a moment; the output then plays on
// from exactly there, and no value is lost or sent twice at the hand-over. The pause
// outlasts a new song; muted, the song comes as silence.
TEST_F(MusicPlayerTest, APausedOutputIsPulledByTheMainThreadAndPlaysOnFromThere) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const test::TimingSong t = test::timingSong();
    const std::string path = songFile(t.song);
    musicPlayer.setOfflineOutput(false);
    musicPlayer.pauseOutput();
    for (int song = 0; song < 2; ++song) {  // the pause is kept when the song is read again
        musicPlayer.init(1);
        musicPlayer.loadSong(path, disk);
        musicPlayer.play();
        std::this_thread::sleep_for(std::chrono::milliseconds(150));
        EXPECT_EQ(musicPlayer.playPosition(), -1) << "the output took the song while paused";
        if (song == 0) musicPlayer.close();
    }

    const int64_t pulled = t.expected[t.expected.size() / 2].rowStart;  // halfway through the sync
    std::vector<int16_t> pcm(2 * static_cast<size_t>(pulled));
    musicPlayer.renderOffline(pcm.data(), static_cast<size_t>(pulled));
    musicPlayer.releaseEventsBefore(pulled);
    const size_t before = released.size();
    EXPECT_EQ(releasedValues(), valuesOf(stampedBefore(t, pulled)));

    int64_t pulledFirst = 0, frames = 0, micros = 0;
    musicPlayer.playClock().lastBuffer(pulledFirst, frames, micros);
    musicPlayer.resumeOutput();
    int64_t first = pulledFirst;
    const int64_t giveUp = steadyMicros() + 10 * 1000000;
    while (first == pulledFirst && steadyMicros() < giveUp)
        musicPlayer.playClock().lastBuffer(first, frames, micros);
    EXPECT_EQ(first, pulled) << "the output's first buffer after the pause";

    const int64_t until = pulled + 44100;
    while (musicPlayer.playPosition() < until && steadyMicros() < giveUp) {
        musicPlayer.releaseHeardEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    musicPlayer.pauseOutput();
    musicPlayer.releaseEventsBefore(until);
    EXPECT_GT(released.size(), before);
    EXPECT_EQ(releasedValues(), valuesOf(stampedBefore(t, until)));

    std::vector<int16_t> block(2 * 4096);
    for (bool muted : {false, true}) {
        musicPlayer.setMuted(muted);
        musicPlayer.renderOffline(block.data(), 4096);
        bool sound = false;
        for (int16_t s : block) sound = sound || s != 0;
        EXPECT_EQ(sound, !muted);
    }
    musicPlayer.setMuted(false);
    musicPlayer.resumeOutput();
    musicPlayer.close();
}

}  // namespace
}  // namespace qm
