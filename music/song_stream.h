// song_stream.h -- a module decoded in 64-frame blocks, queueing the Zxx values of each row it enters.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "music/module_sync.h"
#include "music/sync_queue.h"

namespace qm {

// Decodes a module at 44100 Hz, 16-bit interleaved stereo. The module player
// reports only the row of the last frame it rendered, so the song is decoded in
// blocks shorter than the shortest tick (432 frames at tempo 255): every row is
// seen, and a row's sync values are stamped with the first frame of the block in
// which the row began (at most 63 frames, 1.4 ms, before its first frame). Blocks
// are fixed whatever the callers ask for, so the stamps are the same for every
// output and buffer size.
//
// The song plays on as trackers play it: where it jumps back to an order already
// played, or runs past its last order (on to the restart position), a new pass
// begins, and every row it enters fires again, even the very row the last pass
// ended on.
class SongStream {
public:
    static constexpr int kRate = 44100;
    static constexpr int kChannels = 2;
    static constexpr size_t kBlockFrames = 64;

    // PlayOn: as the player plays it. Once: the first pass only, for tools that
    // want the song itself (a render to listen to, its length).
    enum class Passes { PlayOn, Once };

    SongStream();
    ~SongStream();
    SongStream(const SongStream&) = delete;
    SongStream& operator=(const SongStream&) = delete;

    // Reads the module's sync table from the bytes as written and plays the same
    // bytes with their Zxx removed. False when the module player cannot read it.
    bool open(std::string bytes, Passes passes = Passes::PlayOn);
    bool isOpen() const { return module_ != nullptr; }

    // Writes `frames` frames; silence once the song has ended (after its first
    // pass with Passes::Once; otherwise only a song the module player cannot go
    // on with ends). Sync values go to `queue`.
    void render(int16_t* out, size_t frames, SyncQueue& queue);
    // Decodes the first block ahead (it is handed out by the next render), so that
    // the tempo reflects a tempo command on row 0.
    void prime(SyncQueue& queue);

    // The tracker tempo ("BPM") at the decoding position; 0 without a song.
    int tempo() const;
    bool finished() const { return finished_; }
    const SyncTable& syncTable() const { return table_; }
    // The order and row of the last row that decoding entered; -1 before the first.
    // A render of at most kBlockFrames decodes at most one block, so the sync values
    // it queues all belong to this row.
    int order() const { return lastOrder_; }
    int row() const { return lastRow_; }
    // Frames handed out by render so far (silence after the end included).
    int64_t framesRendered() const { return rendered_; }
    // Frames of the song decoded so far; with Passes::Once its whole length once finished.
    int64_t framesDecoded() const { return decoded_ + static_cast<int64_t>(blockFrames_); }
    // The pass that decoding is in: 1 until the song first loops, then 2, 3 ...
    int pass() const { return pass_; }
    // The frame at which that pass began: 0, then where the song last looped.
    int64_t passStart() const { return passStart_; }

private:
    struct ModuleDeleter {
        void operator()(openmpt_module* module) const;
    };

    void decodeBlock(SyncQueue& queue);
    bool fillBlock();

    std::unique_ptr<openmpt_module, ModuleDeleter> module_;
    std::string playedBytes_;  // stays with the module that was read from it
    SyncTable table_;
    std::array<int16_t, kBlockFrames * kChannels> block_{};
    size_t blockFrames_ = 0;  // frames decoded into block_
    size_t blockUsed_ = 0;    // frames of block_ already handed out
    int64_t decoded_ = 0;     // frames decoded before block_
    int64_t rendered_ = 0;
    int lastOrder_ = -1;
    int lastRow_ = -1;
    int pass_ = 1;
    int64_t passStart_ = 0;
    Passes passes_ = Passes::PlayOn;
    bool finished_ = false;
};

}  // namespace qm
