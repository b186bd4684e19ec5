// audio_device.cpp -- SDL 1.2 audio output with the same-process fallback to the dummy driver.
#include "music/audio_device.h"

#include <SDL/SDL.h>

#include <cstdlib>

#if !defined(__EMSCRIPTEN__) && !defined(_WIN32)
#include <dlfcn.h>
#endif

namespace qm {

namespace {

constexpr int kRate = 44100;
constexpr int kBytesPerFrame = 4;

// Drivers that hand a buffer straight on; the others keep about one buffer queued
// ahead of the one being heard.
bool playsAtOnce(const std::string& driver) {
    return driver == "dummy" || driver == "disk";
}

// alsa-lib reports every failure (no card, no configuration for "default", a
// plugin whose server is not running) as lines of its own on standard error, from
// within the SDL calls that try it. The player says in one line of its own when
// it plays silently instead, so alsa-lib is given a handler that drops them.
// SDL loads the library itself, and unloads it when its driver fails; this handle
// keeps it loaded with the handler in place, so that a later open is quiet too.
// Without the library there is nothing to quieten. (Declared here from alsa-lib's
// interface, so that no ALSA headers are needed to build.)
#if !defined(__EMSCRIPTEN__) && !defined(_WIN32)
using AlsaErrorHandler = void (*)(const char* file, int line, const char* function, int err, const char* fmt,
                                  ...);
using AlsaSetErrorHandler = int (*)(AlsaErrorHandler handler);

void dropAlsaMessage(const char*, int, const char*, int, const char*, ...) {}

void quietenAlsa() {
    static bool done = false;
    if (done) return;
    done = true;
    void* alsa = dlopen("libasound.so.2", RTLD_NOW | RTLD_LOCAL);
    if (!alsa) return;
    if (auto set = reinterpret_cast<AlsaSetErrorHandler>(dlsym(alsa, "snd_lib_error_set_handler")))
        set(&dropAlsaMessage);
}
#else
// The browser's audio and Windows' have no alsa-lib.
void quietenAlsa() {}
#endif

// SDL reads its driver choice from the environment at each initialisation.
void chooseAudioDriver(const char* name) {
#ifdef _WIN32
    ::_putenv_s("SDL_AUDIODRIVER", name);
#else
    ::setenv("SDL_AUDIODRIVER", name, 1);
#endif
}

}  // namespace

void AudioDevice::sdlCallback(void* self, uint8_t* stream, int length) {
    auto* device = static_cast<AudioDevice*>(self);
    device->fill_(device->user_, reinterpret_cast<int16_t*>(stream),
                  static_cast<size_t>(length) / kBytesPerFrame);
}

bool AudioDevice::openWithCurrentDriver() {
    quietenAlsa();
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
    fellBack_ = false;
    if (!openWithCurrentDriver()) {
        // No sound card: the song still has to run, for its clock and its sync.
        chooseAudioDriver("dummy");
        if (!openWithCurrentDriver()) return false;
        fellBack_ = true;
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
