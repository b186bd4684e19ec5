// audio_device.cpp -- SDL 1.2 audio output with the same-process fallback to the dummy driver.
#include "music/audio_device.h"

#include <SDL/SDL.h>

#include <cstdlib>

namespace qm {

namespace {

constexpr int kRate = 44100;
constexpr int kBytesPerFrame = 4;

// Drivers that hand a buffer straight on; the others keep about one buffer queued
// ahead of the one being heard.
bool playsAtOnce(const std::string& driver) { return driver == "dummy" || driver == "disk"; }

}  // namespace

void AudioDevice::sdlCallback(void* self, uint8_t* stream, int length) {
    auto* device = static_cast<AudioDevice*>(self);
    device->fill_(device->user_, reinterpret_cast<int16_t*>(stream), static_cast<size_t>(length) / kBytesPerFrame);
}

bool AudioDevice::openWithCurrentDriver() {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) < 0) return false;
    SDL_AudioSpec wanted{};
    wanted.freq = kRate;
    wanted.format = AUDIO_S16SYS;
    wanted.channels = 2;
    wanted.samples = kBufferFrames;
    wanted.callback = &AudioDevice::sdlCallback;
    wanted.userdata = this;
    // Without an `obtained` description SDL converts to whatever the hardware takes, so the
    // callback always gets the format asked for.
    if (SDL_OpenAudio(&wanted, nullptr) < 0) {
        SDL_QuitSubSystem(SDL_INIT_AUDIO);
        return false;
    }
    char name[32] = {};
    driver_ = SDL_AudioDriverName(name, sizeof name) ? name : "";
    latency_ = playsAtOnce(driver_) ? 0 : wanted.samples;
    return true;
}

bool AudioDevice::open(Fill fill, void* user) {
    close();
    fill_ = fill;
    user_ = user;
    if (!openWithCurrentDriver()) {
        // No sound card: the song still has to run, for its clock and its sync.
        setenv("SDL_AUDIODRIVER", "dummy", 1);
        if (!openWithCurrentDriver()) return false;
    }
    open_ = true;
    return true;
}

void AudioDevice::resume() {
    if (open_) SDL_PauseAudio(0);
}

void AudioDevice::pause() {
    if (open_) SDL_PauseAudio(1);
}

void AudioDevice::close() {
    if (!open_) return;
    // Also safe after SDL_Quit, which has closed the output already.
    SDL_CloseAudio();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    open_ = false;
}

void AudioDevice::lock() {
    if (open_) SDL_LockAudio();
}

void AudioDevice::unlock() {
    if (open_) SDL_UnlockAudio();
}

}  // namespace qm
