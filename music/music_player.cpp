// music_player.cpp -- the music player: output, song and the hand-off of sync values to the main thread.
#include "music/music_player.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/paths.h"

namespace qm {

namespace {

int64_t nowMicros() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void silence(int16_t* out, size_t frames) {
    std::memset(out, 0, frames * SongStream::kChannels * sizeof(int16_t));
}

// Takes the output's lock for a scope (a no-op without an open device).
class OutputLock {
public:
    explicit OutputLock(AudioDevice& device) : device_(device) { device_.lock(); }
    ~OutputLock() { device_.unlock(); }
    OutputLock(const OutputLock&) = delete;
    OutputLock& operator=(const OutputLock&) = delete;

private:
    AudioDevice& device_;
};

}  // namespace

MusicPlayer::~MusicPlayer() {
    // When its run ends the song is freed and the output closed here, whatever else
    // of the run is still to go.
    close();
}

void MusicPlayer::init(int n) {
    soundOpen = true;
    if (output_ == Output::Device) {
        // A second "music on" or "music off" line opens the output again.
        device_.close();
        clock_.reset();
    }
    silent_ = n - 1 < 0;  // driver -1 ("music off") plays the song without sound
    if (offline_) {
        output_ = Output::Offline;
        return;
    }
    // Without any output at all the main thread decodes by the system clock, so
    // the demo never runs without its sync.
    output_ = device_.open(&MusicPlayer::fillDevice, this) ? Output::Device : Output::Clock;
    soundless_ = !silent_ && (output_ == Output::Clock || device_.fellBack());
}

void MusicPlayer::loadSong(std::string_view path, FileSource& files) {
    if (!soundOpen) return;
    songLoaded = true;
    songPath_ = path;
    auto stream = std::make_unique<SongStream>();
    std::string bytes;
    if (!files.read(path, bytes) || !stream->open(std::move(bytes))) stream.reset();
    OutputLock lock(device_);
    song_ = std::move(stream);  // a second song replaces the first
    running_ = false;
    songFrames_ = 0;
    queue_.clear();
    songRow_.store(-1, std::memory_order_relaxed);
}

void MusicPlayer::play() {
    if (!songLoaded) return;
    int tempo = 0;
    {
        OutputLock lock(device_);
        if (song_) {
            // Decode the first frames now: the tempo then reflects a tempo command on row 0.
            song_->prime(queue_);
            tempo = song_->tempo();
        }
        running_ = true;
        songFrames_ = 0;
    }
    clockStartMicros_ = nowMicros();
    if (output_ == Output::Device && !paused_) device_.resume();
    playing = true;
    beatUnit = static_cast<float>(tempo) * kBeatUnitPerTempo;
}

void MusicPlayer::stop() {
    if (playing) {
        OutputLock lock(device_);
        running_ = false;
    }
    playing = false;
}

void MusicPlayer::close() {
    if (!soundOpen && !songLoaded) return;
    device_.close();  // the output's thread has ended after this
    song_.reset();
    running_ = false;
    songFrames_ = 0;
    queue_.clear();
    clock_.reset();
    output_ = Output::None;
    songRow_.store(-1, std::memory_order_relaxed);
    songPath_.clear();
    soundOpen = songLoaded = playing = false;
    soundless_ = false;
    beatUnit = 0;  // back to the state before any song
}

void MusicPlayer::fillDevice(void* self, int16_t* out, size_t frames) {
    static_cast<MusicPlayer*>(self)->fill(out, frames);
}

void MusicPlayer::fill(int16_t* out, size_t frames) {
    if (!running_) {
        silence(out, frames);
        return;
    }
    clock_.publish(songFrames_, static_cast<int64_t>(frames), nowMicros());
    if (song_) {
        song_->render(out, frames, queue_);
        songRow_.store(int64_t{song_->order()} << 32 | static_cast<uint32_t>(song_->row()),
                       std::memory_order_relaxed);
    } else {
        silence(out, frames);
    }
    if (silent_ || muted_.load(std::memory_order_relaxed)) silence(out, frames);
    songFrames_ += static_cast<int64_t>(frames);
}

void MusicPlayer::renderOffline(int16_t* out, size_t frames) {
    if (!running_) {
        silence(out, frames);
        return;
    }
    OutputLock lock(device_);  // a paused device still holds the song
    fill(out, frames);
}

void MusicPlayer::pauseOutput() {
    paused_ = true;
    if (output_ == Output::Device) device_.pause();
}

void MusicPlayer::resumeOutput() {
    if (!paused_) return;
    paused_ = false;
    // Without a device the song is decoded by the system clock: it goes on from
    // where it was pulled to. (With a device, the output's thread owns the count.)
    if (output_ == Output::Clock) clockStartMicros_ = nowMicros() - songFrames_ * 1000000 / kRate;
    if (output_ == Output::Device && playing) device_.resume();
}

void MusicPlayer::songRow(int& order, int& row) const {
    const int64_t packed = songRow_.load(std::memory_order_relaxed);
    if (packed < 0) {
        order = row = -1;
        return;
    }
    order = static_cast<int>(packed >> 32);
    row = static_cast<int>(static_cast<uint32_t>(packed));
}

void MusicPlayer::renderSilentlyUpTo(int64_t frames) {
    std::array<int16_t, 1024 * SongStream::kChannels> scratch;
    while (songFrames_ < frames) {
        const size_t n = static_cast<size_t>(std::min<int64_t>(frames - songFrames_, 1024));
        fill(scratch.data(), n);
    }
}

int64_t MusicPlayer::playPosition() const {
    switch (output_) {
        case Output::Device:
            return clock_.position(nowMicros(), kRate, device_.latencyFrames());
        case Output::Clock:
        case Output::Offline:
            return songFrames_;
        case Output::None:
            break;
    }
    return -1;
}

void MusicPlayer::releaseHeardEvents() {
    releaseHeardEventsBefore(INT64_MAX);
}

void MusicPlayer::releaseHeardEventsBefore(int64_t samplePosition) {
    if (paused_) return;
    switch (output_) {
        case Output::Device:
            releaseEventsBefore(std::min(playPosition(), samplePosition));
            break;
        case Output::Clock:
            if (running_) {
                const int64_t heard = (nowMicros() - clockStartMicros_) * kRate / 1000000;
                renderSilentlyUpTo(heard);
                releaseEventsBefore(std::min(heard, samplePosition));
            }
            break;
        case Output::Offline:
        case Output::None:
            break;
    }
}

void MusicPlayer::releaseEventsBefore(int64_t samplePosition) {
    SyncEvent event;
    while (queue_.peek(event) && event.samplePosition < samplePosition) {
        queue_.pop();
        if (syncAction_.function) syncAction_.function(syncAction_.context, event.value);
    }
}

}  // namespace qm
