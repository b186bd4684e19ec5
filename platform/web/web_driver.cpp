// web_driver.cpp -- the browser's screen, keys, clock and heard song position (Emscripten's SDL, Web Audio).
#include "platform/web/web_driver.h"

#include <SDL/SDL.h>
#include <emscripten.h>

#include <cmath>

#include "base/frame_clock.h"
#include "music/music_player.h"
#include "platform/keys.h"
#include "platform/webgl/qmgl_context.h"

namespace qm {

namespace {

// Seconds of sound that SDL has handed to Web Audio and the AudioContext has not
// played yet: SDL schedules each buffer right after the one before, so this is the
// end of the last buffer less the context's clock. SDL keeps up to five buffers and
// a 50 ms safety margin queued, far more than a sound card's one buffer.
double queuedSeconds() {
    // JavaScript, whose operators clang-format would cut apart:
    // clang-format off
    return EM_ASM_DOUBLE({
        if (!SDL.audio || !SDL.audioContext) return 0;
        return Math.max(0, SDL.audio.nextPlayTime - SDL.audioContext.currentTime);
    });
    // clang-format on
}

}  // namespace

bool WebDriver::openScreen(std::string& error) {
    if (SDL_Init(SDL_INIT_TIMER | SDL_INIT_VIDEO) < 0) {
        error = SDL_GetError();
        SDL_Quit();
        return false;
    }
    SDL_WM_SetCaption("Quillmoor DEMO 2", nullptr);
    // No SDL_FULLSCREEN: a page may go full screen only on a key press or a click
    // (F1); until then the page fits the canvas into the window.
    screen_ = SDL_SetVideoMode(800, 600, 32, SDL_OPENGL);
    if (!screen_) {
        error = SDL_GetError();
        SDL_Quit();
        return false;
    }
    qmgl_ContextCreated();
    // The page made the AudioContext (and may have resumed it on a click, as browsers
    // ask): SDL's audio plays through that one instead of making its own.
    EM_ASM({
        if (Module.audioContext) SDL.audioContext = Module.audioContext;
    });
    return true;
}

double WebDriver::seconds() {
    return ticksToSeconds(SDL_GetTicks());
}

void WebDriver::pollEvents() {
    // Emscripten's SDL has no event filter: every queued event is taken here and
    // acted on at once, as the window player's filter acts on each one it pumps.
    SDL_Event event;
    while (SDL_PollEvent(&event)) filterKeyEvent(&event, keyHandler_);
}

void WebDriver::releaseSyncEvents(MusicPlayer& music) {
    // Without Web Audio the music player runs the song by the system clock itself.
    if (music.device().isOpen())
        music.releaseEventsBefore(heardSongFrames(music));
    else
        music.releaseHeardEvents();
}

void WebDriver::close() {
    SDL_Quit();
    screen_ = nullptr;
}

// F1 asks the browser to show the canvas full screen.
void WebDriver::toggleFullScreen() {
    if (screen_) SDL_WM_ToggleFullScreen(screen_);
}

int64_t heardSongFrames(const MusicPlayer& music) {
    int64_t first = 0, frames = 0, micros = 0;
    music.playClock().lastBuffer(first, frames, micros);
    if (first < 0) return -1;
    return first + frames - std::llround(queuedSeconds() * MusicPlayer::kRate);
}

}  // namespace qm
