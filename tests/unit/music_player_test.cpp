// The music player: beat unit, flags, "music off", each Zxx value's action, offline
// release by frame, and the window player's release through SDL's dummy audio driver.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <thread>
#include <vector>

#include "runtime/demo.h"
#include "runtime/frame_clock.h"
#include "runtime/globals.h"
#include "runtime/music_player.h"
#include "runtime/offline_driver.h"
#include "runtime/overlay.h"
#include "support/temp_dir.h"
#include "support/test_songs.h"

namespace qm {
namespace {

using modwrite::Effect;

int64_t steadyMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

struct Released {
    int value;
    int64_t micros;
};
std::vector<Released> released;
void record(int value) { released.push_back({value, steadyMicros()}); }

std::vector<int> releasedValues() {
    std::vector<int> values;
    for (const Released& r : released) values.push_back(r.value);
    return values;
}

std::vector<int> expectedValues(const test::TimingSong& t) {
    std::vector<int> values;
    for (const test::ExpectedSync& e : t.expected) values.push_back(e.value);
    return values;
}

int64_t stampOf(const test::ExpectedSync& e) { return e.rowStart - e.rowStart % 64; }

void resetProcessObjects() {
    musicPlayer.close();
    musicPlayer.beatUnit = 0;
    musicPlayer.setOfflineOutput(true);
    overlay.reset();
    demo.advanceRequested = false;
    demo.current = nullptr;
    frameClock = FrameClock();
    quitRequested = false;
    released.clear();
}

class MusicPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        resetProcessObjects();
        musicPlayer.setSyncAction(&record);
    }
    void TearDown() override {
        resetProcessObjects();
        musicPlayer.setSyncAction(nullptr);
    }

    // Writes a song below the scratch directory; returns its path as a script writes it.
    std::string songFile(const modwrite::Song& song, test::SongFormat format = test::SongFormat::Xm) {
        dir.write("data/song.mod", test::writeSong(song, format));
        return (dir.path() / "data" / "song.mod").string();
    }

    test::TempDir dir;
};

TEST_F(MusicPlayerTest, BeatUnitIsTheTempoOnceTheSongHasStarted) {
    struct Case {
        int headerTempo;
        int rowZeroTempo;  // 0: none
        int laterTempo;    // on row 4; 0: none
        int expectedTempo;
    };
    for (const Case& c : {Case{120, 0, 0, 120}, Case{125, 120, 0, 120}, Case{120, 0, 240, 120}, Case{125, 0, 0, 125}}) {
        SCOPED_TRACE(c.headerTempo * 1000 + c.rowZeroTempo);
        modwrite::Song song = test::basicSong(2, 1, 8, 6, c.headerTempo);
        if (c.rowZeroTempo) test::put(song, 0, 0, 1, Effect::Tempo, static_cast<uint8_t>(c.rowZeroTempo));
        if (c.laterTempo) test::put(song, 0, 4, 1, Effect::Tempo, static_cast<uint8_t>(c.laterTempo));
        musicPlayer.init(1);
        musicPlayer.loadSong(songFile(song));
        EXPECT_EQ(musicPlayer.beatUnit, 0.0f);  // 0 until the song starts
        musicPlayer.play();
        EXPECT_FLOAT_EQ(musicPlayer.beatUnit, static_cast<float>(c.expectedTempo) * 0.0020833334f);
        musicPlayer.close();
    }
    // 120 BPM: a beat unit of a quarter second.
    EXPECT_FLOAT_EQ(120 * MusicPlayer::kBeatUnitPerTempo, 0.25f);
}

TEST_F(MusicPlayerTest, ASongNamedBeforeMusicOnOrOffIsNeitherLoadedNorPlayed) {
    musicPlayer.loadSong(songFile(test::basicSong(2, 1, 8)));
    musicPlayer.play();
    EXPECT_FALSE(musicPlayer.songLoaded);
    EXPECT_FALSE(musicPlayer.playing);
    EXPECT_EQ(musicPlayer.beatUnit, 0.0f);
}

TEST_F(MusicPlayerTest, AnUnreadableSongCountsAsLoadedButPlaysSilenceAndSendsNoSync) {
    test::ScopedWorkingDirectory cwd(dir.path());
    dir.write("data/broken.xm", "Extended Module: but nothing after");
    musicPlayer.init(1);
    musicPlayer.loadSong("data\\broken.xm");
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
    musicPlayer.loadSong("data\\song.xm");
    musicPlayer.play();
    EXPECT_FLOAT_EQ(musicPlayer.beatUnit, 150 * MusicPlayer::kBeatUnitPerTempo);
}

// "music off" plays the song without sound: its sync comes exactly as with sound.
TEST_F(MusicPlayerTest, MusicOffIsSilentWithTheSameSync) {
    const test::TimingSong t = test::timingSong();
    const std::string path = songFile(t.song);
    std::vector<std::vector<int>> values;
    for (int n : {1, 0}) {
        released.clear();
        musicPlayer.init(n);
        musicPlayer.loadSong(path);
        musicPlayer.play();
        std::vector<int16_t> pcm(735 * 2);
        bool sound = false;
        for (int64_t done = 0; done < t.endFrame + 44100; done += 735) {
            musicPlayer.renderOffline(pcm.data(), 735);
            musicPlayer.releaseEventsBefore(done + 735);
            for (int16_t s : pcm) sound = sound || s != 0;
        }
        EXPECT_EQ(sound, n == 1);
        values.push_back(releasedValues());
        musicPlayer.close();
    }
    EXPECT_EQ(values[0], expectedValues(t));
    EXPECT_EQ(values[1], values[0]);
}

TEST_F(MusicPlayerTest, EachValueDoesItsOverlayEffectOrSceneChange) {
    musicPlayer.setSyncAction(nullptr);  // the real action
    musicPlayer.beatUnit = 0.25f;
    frameClock.now = 10.0;
    struct Case {
        int value;
        double Overlay::*end;  // the layer the value starts, or null
        double duration;
        bool rising;
    };
    const Case cases[] = {
        {1, &Overlay::flashEnd, 0.2, false},  {27, &Overlay::flashEnd, 0.2, false},
        {2, &Overlay::flashEnd, 0.5, true},   {3, &Overlay::fadeEnd, 0.5, false},
        {4, &Overlay::fadeEnd, 1.0, true},    {5, &Overlay::pulseEnd, 0.5, false},
        {6, &Overlay::dipEnd, 0.5, false},    {255, &Overlay::flashEnd, 4.25, true},
        {0, nullptr, 0, false},               {7, nullptr, 0, false},
        {26, nullptr, 0, false},              {28, nullptr, 0, false},
        {254, nullptr, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.value);
        overlay.reset();
        demo.advanceRequested = false;
        onPatternEffect(c.value);
        EXPECT_EQ(demo.advanceRequested, c.value == 0);
        for (double Overlay::*end : {&Overlay::flashEnd, &Overlay::fadeEnd, &Overlay::pulseEnd, &Overlay::dipEnd}) {
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
    onPatternEffect(0);
    onPatternEffect(0);
    EXPECT_TRUE(demo.advanceRequested);
}

// The offline driver: by frame n exactly round(44100 n / fps) frames are rendered,
// and an event goes out before the first frame whose time is past its stamp.
TEST_F(MusicPlayerTest, OfflineFramesRenderExactAudioAndReleaseByTheirTime) {
    const test::TimingSong t = test::timingSong();
    for (double fps : {50.0, 60.0, 29.97}) {
        SCOPED_TRACE(fps);
        released.clear();
        musicPlayer.init(1);
        musicPlayer.loadSong(songFile(t.song));
        musicPlayer.play();
        OfflineDriver driver(fps);
        std::vector<int16_t> audio;
        driver.setAudioSink([&](const int16_t* pcm, size_t frames) { audio.insert(audio.end(), pcm, pcm + 2 * frames); });
        std::vector<long> releaseFrame;
        const long lastFrame = static_cast<long>(std::ceil(t.endFrame / 44100.0 * fps)) + 5;
        for (long n = 0; n <= lastFrame; ++n) {
            driver.releaseSyncEvents();
            ASSERT_EQ(driver.audioFrames(), std::llround(44100.0 * n / fps));
            ASSERT_EQ(audio.size(), 2 * static_cast<size_t>(driver.audioFrames()));
            while (releaseFrame.size() < released.size()) releaseFrame.push_back(n);
            if (n == lastFrame) quitRequested = true;
            driver.frameDrawn();
        }
        // The last frame gets its own stretch of audio: as long as the frames shown.
        EXPECT_EQ(driver.audioFrames(), std::llround(44100.0 * (lastFrame + 1) / fps));
        quitRequested = false;

        ASSERT_EQ(releasedValues(), expectedValues(t));
        for (size_t i = 0; i < t.expected.size(); ++i) {
            const int64_t stamp = stampOf(t.expected[i]);
            const long n = releaseFrame[i];
            EXPECT_LT(stamp, std::llround(44100.0 * n / fps)) << i;
            EXPECT_GE(stamp, std::llround(44100.0 * (n - 1) / fps)) << i;
        }
        // The audio handed out is the song itself, start to end.
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
    musicPlayer.loadSong(songFile(test::basicSong(2, 1, 8)));
    musicPlayer.play();
    EXPECT_TRUE(musicPlayer.playing);
    musicPlayer.stop();
    musicPlayer.close();
    EXPECT_FALSE(musicPlayer.device().isOpen());
    setenv("SDL_AUDIODRIVER", "dummy", 1);
}

// The window player through SDL's dummy audio driver, on its own thread: values
// are released in order, each once its sample has been played. The sync error
// (release time minus the time the dummy driver asked for the sample's buffer,
// plus the sample's place in it) is printed; it is at most one frame of the loop.
TEST_F(MusicPlayerTest, DummyDriverReleasesEachValueOnceItHasBeenPlayed) {
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    const test::TimingSong t = test::timingSong();
    musicPlayer.setOfflineOutput(false);
    musicPlayer.init(1);
    ASSERT_TRUE(musicPlayer.device().isOpen());
    EXPECT_EQ(musicPlayer.device().driverName(), "dummy");
    musicPlayer.loadSong(songFile(t.song, test::SongFormat::It));
    musicPlayer.play();

    struct Buffer {
        int64_t first, micros;
    };
    std::vector<Buffer> buffers;
    const int64_t start = steadyMicros();
    const int64_t frameMicros = 16667;
    int64_t nextFrame = start;
    const int64_t end = start + (t.endFrame * 1000000 / 44100) + 300000;
    while (steadyMicros() < end) {
        int64_t first = 0, frames = 0, micros = 0;
        musicPlayer.playClock().lastBuffer(first, frames, micros);
        if (first >= 0 && (buffers.empty() || buffers.back().first != first)) buffers.push_back({first, micros});
        if (steadyMicros() >= nextFrame) {
            musicPlayer.releaseHeardEvents();
            nextFrame += frameMicros;
        }
        std::this_thread::sleep_for(std::chrono::microseconds(200));
    }
    musicPlayer.stop();
    musicPlayer.close();

    ASSERT_EQ(releasedValues(), expectedValues(t));
    double worst = -1e9, best = 1e9, sum = 0;
    for (size_t i = 0; i < t.expected.size(); ++i) {
        const int64_t stamp = stampOf(t.expected[i]);
        const Buffer* heard = nullptr;
        for (const Buffer& b : buffers)
            if (b.first <= stamp) heard = &b;
        ASSERT_NE(heard, nullptr);
        const double audible = heard->micros + (stamp - heard->first) * 1e6 / 44100;
        const double error = (released[i].micros - audible) / 1000.0;
        worst = std::max(worst, error);
        best = std::min(best, error);
        sum += error;
    }
    std::printf("[ sync     ] dummy driver, %zu events, release minus audible: min %.2f ms, mean %.2f ms, max %.2f ms\n",
                t.expected.size(), best, sum / t.expected.size(), worst);
    // Never early; late by about a frame here (the figures above), with wide room for a
    // loaded or sanitized build: this guards against releasing by the decoder's clock
    // (a buffer early) or losing the device clock (seconds late), not a tight bound.
    EXPECT_GE(best, -1.0);
    EXPECT_LE(worst, frameMicros / 1000.0 + 60.0);
}

}  // namespace
}  // namespace qm
