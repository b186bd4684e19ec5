// offline_driver.cpp -- the fixed-step driver used by the tests and the capture tool.
#include "platform/offline_driver.h"

#include <cmath>

#include "music/music_player.h"

namespace qm {

void OfflineDriver::pressKeyAt(double seconds, DemoKey key) {
    // A tiny allowance so that a time written as n / fps lands on frame n.
    pressKeyAtFrame(static_cast<long>(std::ceil(seconds * fps_ - 1e-6)), key);
}

bool OfflineDriver::openScreen(std::string& error) {
    if (gl_.valid()) return true;  // a caller may have opened it to prepare the data
    return gl_.create(screenWidth_, screenHeight_, error);
}

void OfflineDriver::pollEvents() {
    auto it = keys_.find(frame_);
    if (it == keys_.end()) return;
    if (!keyHandler_) return;
    for (DemoKey key : it->second) keyHandler_(key);
}

void OfflineDriver::renderAudioUpTo(long frame, MusicPlayer& music) {
    const int64_t target = std::llround(MusicPlayer::kRate * static_cast<double>(frame) / fps_);
    if (target <= audioFrames_) return;
    const size_t frames = static_cast<size_t>(target - audioFrames_);
    audio_.resize(frames * 2);
    music.renderOffline(audio_.data(), frames);
    audioFrames_ = target;
    if (audioSink_) audioSink_(audio_.data(), frames);
}

void OfflineDriver::releaseSyncEvents(MusicPlayer& music) {
    renderAudioUpTo(frame_, music);
    music.releaseEventsBefore(audioFrames_);
}

bool OfflineDriver::frameDrawn(bool quitting, MusicPlayer& music) {
    ++frame_;
    const bool ends = quitting || (frameLimit_ > 0 && frame_ >= frameLimit_);
    // The run ends after this frame: its audio too, while the song still plays.
    if (ends) renderAudioUpTo(frame_, music);
    return ends;
}

void OfflineDriver::swapBuffers(Frame frame) {
    // The loop ticks the clock before the swap, so the frame just drawn is frame_ - 1.
    if (sink_) sink_(frame == Frame::Loop ? frame_ - 1 : -1, frame);
}

void OfflineDriver::close() {
    gl_.destroy();
}

}  // namespace qm
