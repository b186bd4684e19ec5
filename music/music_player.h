// music_player.h -- module music playback and its pattern-effect sync.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "music/audio_device.h"
#include "music/play_clock.h"
#include "music/song_stream.h"
#include "music/sync_queue.h"

namespace qm {

class FileSource;

// Plays a module song and reports its Zxx sync values. The song is decoded on the
// output's thread, which only queues each Zxx value with the sample position of its
// row; the main thread releases, just before each frame step, the values whose
// sample has been heard and hands them to the sync action. The player knows nothing
// of what the values mean; whoever owns it says so with the action.
class MusicPlayer {
public:
    static constexpr int kRate = SongStream::kRate;
    static constexpr float kBeatUnitPerTempo = 0.0020833334f;  // 1/480

    // What is done with each released sync value, on the main thread, with the
    // context given along with the action.
    using SyncAction = void (*)(void* context, int value);

    // `action` takes every released value with `context` (none: they are dropped).
    explicit MusicPlayer(SyncAction action = nullptr, void* context = nullptr)
        : defaultAction_{action, context}, syncAction_{action, context} {}
    ~MusicPlayer();
    MusicPlayer(const MusicPlayer&) = delete;
    MusicPlayer& operator=(const MusicPlayer&) = delete;

    // "music on" (n = 1) / "music off" (n = 0): opens the sound output; again
    // when called again. "music off" plays the song without sound, with the same
    // clock and sync.
    void init(int n);
    // "music on" found no sound card: the song plays silently (with its clock and
    // sync). Whoever owns the player tells the user, once.
    bool soundless() const { return soundless_; }
    // "music file": reads a song from `files`, only after init. A song that cannot be
    // read still counts as loaded; it plays silence and sends no sync.
    void loadSong(std::string_view path, FileSource& files);
    // End of the globals script: starts the song, then reads its tempo.
    void play();
    void stop();
    // At the demo's destruction: frees the song and closes the output; the player
    // is then as constructed.
    void close();

    // Main thread, just before the frame step: acts on every sync value whose
    // sample the output has played (window player).
    void releaseHeardEvents();
    // The same for a tool whose frame clock follows the output: the output moves on as
    // releaseHeardEvents moves it, but only the values stamped before `samplePosition`
    // (the frame's time) are acted on, so a frame shows what a frame rendered offline
    // at that time shows.
    void releaseHeardEventsBefore(int64_t samplePosition);

    // Offline rendering: no output is opened; the driver pulls the audio and
    // releases the events by its own clock.
    void setOfflineOutput(bool offline) { offline_ = offline; }
    bool offlineOutput() const { return offline_; }
    // Offline, or while the output is paused: the next `frames` frames of the song
    // (silence when nothing plays or for "music off"), interleaved stereo.
    void renderOffline(int16_t* out, size_t frames);

    // A pause for tools, kept across songs until resumeOutput: the output takes no
    // more of the song, so its play position and the sync it releases stop too.
    // While paused, play() starts the song without the output, and the main thread
    // may pull the song with renderOffline (a tool seeking renders it up to the
    // moment it seeks to); the output then plays on from there.
    void pauseOutput();
    void resumeOutput();
    bool outputPaused() const { return paused_; }
    // Silence instead of the song, with the same clock and sync; kept across songs.
    void setMuted(bool muted) { muted_.store(muted, std::memory_order_relaxed); }
    // The order and row that decoding last entered; -1 and -1 before the first.
    void songRow(int& order, int& row) const;
    // The song last loaded, as the script names it; empty before any.
    const std::string& songPath() const { return songPath_; }
    // Acts on the queued sync values stamped before `samplePosition`, in order.
    void releaseEventsBefore(int64_t samplePosition);

    // Where released values go for now; null goes back to the action given at construction.
    void setSyncAction(SyncAction action, void* context) {
        syncAction_ = action ? Action{action, context} : defaultAction_;
    }

    // Sync values lost because the main thread did not release them in time.
    uint64_t droppedEvents() const { return queue_.dropped(); }
    // The output's play position in song frames (window player); -1 before the first buffer.
    int64_t playPosition() const;
    const AudioDevice& device() const { return device_; }
    const PlayClock& playClock() const { return clock_; }

    float beatUnit = 0;
    bool soundOpen = false;
    bool songLoaded = false;
    bool playing = false;

private:
    enum class Output { None, Device, Clock, Offline };
    struct Action {
        SyncAction function;
        void* context;
    };

    static void fillDevice(void* self, int16_t* out, size_t frames);
    void fill(int16_t* out, size_t frames);
    void renderSilentlyUpTo(int64_t frames);

    bool offline_ = false;
    bool paused_ = false;
    std::atomic<bool> muted_{false};
    // order << 32 | row, written by whichever thread decodes.
    std::atomic<int64_t> songRow_{-1};
    Output output_ = Output::None;
    bool silent_ = false;  // "music off"
    bool soundless_ = false;
    Action defaultAction_;
    Action syncAction_;
    std::string songPath_;

    // Shared with the output's thread: changed only under the device lock.
    std::unique_ptr<SongStream> song_;
    bool running_ = false;
    int64_t songFrames_ = 0;  // frames of the song handed to the output

    SyncQueue queue_;
    PlayClock clock_;
    AudioDevice device_;
    int64_t clockStartMicros_ = 0;  // Output::Clock: when the song started
};

}  // namespace qm
