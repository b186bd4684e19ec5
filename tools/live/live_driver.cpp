// live_driver.cpp -- the fast-forward clock and sync, the hand-over to real time, pause.
#include "live/live_driver.h"

#include <algorithm>
#include <cmath>
#include <optional>

#include "music/music_player.h"
#include "runtime/demo_run.h"

namespace qm::live {

namespace {

int64_t audioFrameAt(double seconds) {
    return std::llround(MusicPlayer::kRate * seconds);
}

}  // namespace

LiveDriver::LiveDriver(LiveWindow& window, std::function<double()> wallSeconds)
    : window_(window), wall_(std::move(wallSeconds)) {}

void LiveDriver::seekTo(DemoRun& run, long steps) {
    run_ = &run;
    step_ = 0;
    until_ = steps;
    audioFrames_ = 0;
    firstLiveFrame_ = false;
    // The song is pulled frame by frame up to the moment; the output takes over there.
    run.music.pauseOutput();
    if (until_ == 0) goLive();
}

void LiveDriver::stopFastForward() {
    if (!fastForwarding()) return;
    until_ = step_;
    goLive();
}

void LiveDriver::goLive() {
    base_ = static_cast<double>(step_) / kStepsPerSecond;
    markPending_ = true;
    firstLiveFrame_ = true;
}

double LiveDriver::wallElapsed() {
    return wall_() - wallMark_;
}

bool LiveDriver::songClock() const {
    return run_ && run_->music.playing;
}

void LiveDriver::markNow() {
    wallMark_ = wall_();
    heardMark_ = audioFrameAt(base_);
    if (const std::optional<int64_t> output = window_.outputFrames()) outputMark_ = *output;
    live_ = base_;
}

int64_t LiveDriver::heardFrames() {
    const MusicPlayer& music = run_->music;
    // A device (or the system clock without one) plays the song on its own: what it has played.
    if (!music.offlineOutput()) return music.playPosition();
    // The song is pulled here: as fast as the window's output takes it, the wall's pace by default.
    if (const std::optional<int64_t> output = window_.outputFrames())
        return heardMark_ + (*output - outputMark_);
    return heardMark_ + std::llround(wallElapsed() * MusicPlayer::kRate);
}

double LiveDriver::seconds() {
    if (fastForwarding()) return static_cast<double>(step_) / kStepsPerSecond;
    if (paused_) return base_;
    // The first reading after the fast-forward is the moment itself, exactly.
    if (markPending_) {
        markPending_ = false;
        markNow();
        return base_;
    }
    double now = base_ + wallElapsed();
    if (songClock()) {
        // Frames over the rate: a position of 735 n frames reads n / 60 exactly, as a seek has it.
        const int64_t heard = heardFrames();
        now = heard < 0 ? base_ : static_cast<double>(heard) / MusicPlayer::kRate;
    }
    live_ = std::max(live_, now);
    return live_;
}

void LiveDriver::setPaused(bool paused) {
    if (paused == paused_) return;
    if (paused) {
        if (!fastForwarding()) base_ = seconds();
        paused_ = true;
        if (run_) run_->music.pauseOutput();
        return;
    }
    paused_ = false;
    markPending_ = false;
    markNow();
    // Before the first frame drawn the song is still being pulled up to the moment.
    if (!fastForwarding() && !firstLiveFrame_ && run_) run_->music.resumeOutput();
}

void LiveDriver::pollEvents() {
    if (fastForwarding()) return;  // keys pressed meanwhile wait for the first frame shown
    if (run_) shown_ = run_->clock.now;
    window_.pollEvents();
}

void LiveDriver::renderAudioUpTo(int64_t target, MusicPlayer& music) {
    if (target <= audioFrames_) return;
    const size_t frames = static_cast<size_t>(target - audioFrames_);
    audio_.resize(frames * 2);
    music.renderOffline(audio_.data(), frames);
    audioFrames_ = target;
}

void LiveDriver::releaseSyncEvents(MusicPlayer& music) {
    if (fastForwarding() || firstLiveFrame_) {
        renderAudioUpTo(std::llround(MusicPlayer::kRate * static_cast<double>(step_) / kStepsPerSecond),
                        music);
        music.releaseEventsBefore(audioFrames_);
        if (!fastForwarding()) {
            firstLiveFrame_ = false;
            if (!paused_) music.resumeOutput();
        }
        return;
    }
    if (paused_) return;
    // The values stamped before the frame's time, as a frame rendered offline at that time has them.
    const int64_t due = audioFrameAt(run_ ? run_->clock.now : 0);
    if (music.offlineOutput()) {
        // No device takes the song: it is pulled up to the clock.
        renderAudioUpTo(due, music);
        music.releaseEventsBefore(due);
    } else {
        music.releaseHeardEventsBefore(due);
    }
}

bool LiveDriver::frameDrawn(bool quitting, MusicPlayer&) {
    const bool wasFastForward = fastForwarding();
    ++step_;
    if (wasFastForward && !fastForwarding()) goLive();
    return quitting;
}

void LiveDriver::swapBuffers(Frame frame) {
    // A seek starts the demo afresh with a black frame; the picture on screen stays
    // until the first frame of the new start instead.
    if (frame == Frame::Startup && somethingShown_) return;
    if (frame == Frame::Loop) {
        if (beforeShow_) beforeShow_();
        somethingShown_ = true;
    }
    window_.swap(frame);
}

}  // namespace qm::live
