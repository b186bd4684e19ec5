// live_driver.cpp -- the fast-forward clock and sync, the hand-over to real time, pause.
#include "live/live_driver.h"

#include <cmath>

#include "base/frame_clock.h"
#include "music/music_player.h"

namespace qm::live {

namespace {

int64_t audioFrameAt(double seconds) {
    return std::llround(MusicPlayer::kRate * seconds);
}

}  // namespace

LiveDriver::LiveDriver(LiveWindow& window, std::function<double()> wallSeconds)
    : window_(window), wall_(std::move(wallSeconds)) {}

void LiveDriver::seekTo(long steps) {
    step_ = 0;
    until_ = steps;
    audioFrames_ = 0;
    firstLiveFrame_ = false;
    // The song is pulled frame by frame up to the moment; the output takes over there.
    musicPlayer.pauseOutput();
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

double LiveDriver::seconds() {
    if (fastForwarding()) return static_cast<double>(step_) / kStepsPerSecond;
    if (paused_) return base_;
    // The first reading after the fast-forward is the moment itself, exactly.
    if (markPending_) {
        markPending_ = false;
        wallMark_ = wall_();
        return base_;
    }
    return base_ + wallElapsed();
}

void LiveDriver::setPaused(bool paused) {
    if (paused == paused_) return;
    if (paused) {
        if (!fastForwarding()) base_ = seconds();
        paused_ = true;
        musicPlayer.pauseOutput();
        return;
    }
    paused_ = false;
    markPending_ = false;
    wallMark_ = wall_();
    // Before the first frame drawn the song is still being pulled up to the moment.
    if (!fastForwarding() && !firstLiveFrame_) musicPlayer.resumeOutput();
}

void LiveDriver::pollEvents() {
    if (fastForwarding()) return;  // keys pressed meanwhile wait for the first frame shown
    shown_ = frameClock.now;
    window_.pollEvents();
}

void LiveDriver::renderAudioUpTo(int64_t target) {
    if (target <= audioFrames_) return;
    const size_t frames = static_cast<size_t>(target - audioFrames_);
    audio_.resize(frames * 2);
    musicPlayer.renderOffline(audio_.data(), frames);
    audioFrames_ = target;
}

void LiveDriver::releaseSyncEvents() {
    if (fastForwarding() || firstLiveFrame_) {
        renderAudioUpTo(std::llround(MusicPlayer::kRate * static_cast<double>(step_) / kStepsPerSecond));
        musicPlayer.releaseEventsBefore(audioFrames_);
        if (!fastForwarding()) {
            firstLiveFrame_ = false;
            if (!paused_) musicPlayer.resumeOutput();
        }
        return;
    }
    if (paused_) return;
    if (musicPlayer.offlineOutput()) {
        // No device takes the song: it is heard as the clock passes.
        renderAudioUpTo(audioFrameAt(frameClock.now));
        musicPlayer.releaseEventsBefore(audioFrames_);
    } else {
        musicPlayer.releaseHeardEvents();
    }
}

bool LiveDriver::frameDrawn(bool quitting) {
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
