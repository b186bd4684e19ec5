// audio_device.h -- the sound output: SDL 1.2 audio, falling back to SDL's dummy driver.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace qm {

// 44100 Hz, 16-bit interleaved stereo. The fill function runs on SDL's audio
// thread with the device lock held; lock()/unlock() take the same lock.
class AudioDevice {
public:
    using Fill = void (*)(void* user, int16_t* out, size_t frames);
    static constexpr int kBufferFrames = 1024;

    AudioDevice() = default;
    ~AudioDevice() { close(); }
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    // Opens the output, paused. When no sound card can be opened, SDL's dummy
    // driver takes its place (same timing, no sound). False only when even that fails.
    bool open(Fill fill, void* user);
    void resume();
    // Stops taking buffers (until resume); the fill function is not called meanwhile.
    void pause();
    void close();
    void lock();
    void unlock();

    bool isOpen() const { return open_; }
    // The last open found no sound card and took the dummy driver. (It chooses that
    // driver for the process, so later opens take it at once and say nothing.)
    bool fellBack() const { return fellBack_; }
    const std::string& driverName() const { return driver_; }
    // Frames between a buffer being asked for and its first frame being heard.
    int64_t latencyFrames() const { return latency_; }

private:
    static void sdlCallback(void* self, uint8_t* stream, int length);
    bool openWithCurrentDriver();

    Fill fill_ = nullptr;
    void* user_ = nullptr;
    bool open_ = false;
    bool fellBack_ = false;
    std::string driver_;
    int64_t latency_ = 0;
};

}  // namespace qm
