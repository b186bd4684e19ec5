// live_driver.h -- the live tool's driver: fast-forward to a moment at a fixed step, then real time from
// there.
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "live/live_window.h"
#include "platform/driver.h"

namespace qm {
class DemoRun;
}

namespace qm::live {

// After seekTo(n), the demo's first n frames are fast-forward steps exactly as the
// offline driver makes them: step k has the time k / 60, the song is rendered up to
// round(44100 k / 60) frames before it and the values stamped before that are
// released; nothing is drawn. Frame n is then drawn as the offline driver draws it.
// From there one clock runs, stopped while paused: while a song plays, the song's
// heard position (the frames the output has played, over 44100), so the picture, the
// sync values and the sound agree, and a moment shown is the moment a seek or a capture
// shows; without a song, n / 60 plus the wall time since. Each frame acts on the sync
// values stamped before its time, as the offline driver does. The song plays on from
// frame n's sample through the audio device when the window has one, otherwise it is
// rendered up to the clock's time frame by frame.
class LiveDriver : public Driver {
public:
    static constexpr double kStepsPerSecond = 60;

    // `wallSeconds` is a steady clock (the tests give one of their own).
    LiveDriver(LiveWindow& window, std::function<double()> wallSeconds);

    // The start of `run` (startDemo, next) reaches frame `steps` by fast-forward;
    // the song's output waits until then. The driver borrows the run until the next
    // seek.
    void seekTo(DemoRun& run, long steps);
    bool fastForwarding() const { return step_ < until_; }
    // Ends the fast-forward where it is (the demo ended itself on the way).
    void stopFastForward();
    // Frame steps since the start (fast-forward and drawn).
    long step() const { return step_; }

    // The clock and the song stop, or go on from where they stopped.
    void setPaused(bool paused);
    bool paused() const { return paused_; }
    // The demo time of the frame on screen: the clock at the start of the last frame drawn.
    double shownSeconds() const { return shown_; }

    // Called before each drawn frame is shown (the live display draws itself here).
    void setBeforeShow(std::function<void()> hook) { beforeShow_ = std::move(hook); }

    bool openScreen(std::string& error) override { return window_.open(error); }
    bool pullsSong() const override { return window_.pullsSong(); }
    void setUpEvents(KeyHandler handler) override { window_.setUpEvents(handler); }
    double seconds() override;
    bool drawsFrame() override { return !fastForwarding(); }
    void pollEvents() override;
    void releaseSyncEvents(MusicPlayer& music) override;
    bool frameDrawn(bool quitting, MusicPlayer& music) override;
    void swapBuffers(Frame frame) override;
    void toggleFullScreen() override { window_.toggleFullScreen(); }
    void close() override { window_.close(); }

private:
    void goLive();
    // The live clock starts (again) at base_: from now on it moves by the song's
    // output, or by the wall without a song.
    void markNow();
    bool songClock() const;
    // Song frames heard by now; -1 before the output's first buffer.
    int64_t heardFrames();
    void renderAudioUpTo(int64_t target, MusicPlayer& music);
    double wallElapsed();

    LiveWindow& window_;
    DemoRun* run_ = nullptr;
    std::function<double()> wall_;
    std::function<void()> beforeShow_;

    long step_ = 0;
    long until_ = 0;
    bool firstLiveFrame_ = false;  // frame `until_`: sync as the offline driver releases it
    bool paused_ = false;
    bool markPending_ = false;  // the live clock starts at its first reading
    double base_ = 0;           // live: the clock at the mark (or while paused)
    double wallMark_ = 0;
    int64_t heardMark_ = 0;   // song frames heard at the mark
    int64_t outputMark_ = 0;  // the window's stand-in output's frames at the mark
    double live_ = 0;         // the clock's last reading: it never goes back
    double shown_ = 0;
    bool somethingShown_ = false;  // a picture is on screen: a seek does not blank it
    int64_t audioFrames_ = 0;      // song frames pulled by this driver
    std::vector<int16_t> audio_;
};

}  // namespace qm::live
