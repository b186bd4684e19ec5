// song_stream.cpp -- block-wise module decoding with row tracking (libopenmpt).
#include "music/song_stream.h"

#include <libopenmpt/libopenmpt.h>

#include <algorithm>
#include <cstring>

namespace qm {

namespace {

openmpt_module* createModule(const std::string& bytes) {
    int error = 0;
    const char* message = nullptr;
    openmpt_module* module =
        openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent, nullptr,
                                           openmpt_error_func_ignore, nullptr, &error, &message, nullptr);
    openmpt_free_string(message);
    return module;
}

}  // namespace

void SongStream::ModuleDeleter::operator()(openmpt_module* module) const {
    openmpt_module_destroy(module);
}

SongStream::SongStream() = default;
SongStream::~SongStream() = default;

bool SongStream::open(std::string bytes, Passes passes) {
    module_.reset();
    table_ = SyncTable();
    blockFrames_ = blockUsed_ = 0;
    decoded_ = rendered_ = 0;
    lastOrder_ = lastRow_ = -1;
    pass_ = 1;
    passStart_ = 0;
    passes_ = passes;
    finished_ = false;

    {
        std::unique_ptr<openmpt_module, ModuleDeleter> original(createModule(bytes));
        if (!original) return false;
        table_.build(original.get());
    }
    stripSyncCommands(bytes);
    playedBytes_ = std::move(bytes);
    module_.reset(createModule(playedBytes_));
    if (!module_) return false;
    // The repeat count stays 0, so the module player stops at the end of each pass
    // (where the song jumps back to a row already played, or runs past its last
    // order) with a short read. "continue" then goes on where the song loops to,
    // sample for sample as a repeat count of -1 would play it, and the short read
    // tells where the new pass began, which the row tracking needs: a loop to the
    // very row the pass ended on reports the same order and row as before.
    // "stop" ends the song there.
    openmpt_module_ctl_set_text(module_.get(), "play.at_end", passes == Passes::PlayOn ? "continue" : "stop");
    // The default dither adds random noise: the same song would render differently
    // each time, and offline renders must be exactly repeatable.
    openmpt_module_ctl_set_integer(module_.get(), "dither", 0);
    return true;
}

int SongStream::tempo() const {
    return module_ ? openmpt_module_get_current_tempo(module_.get()) : 0;
}

bool SongStream::fillBlock() {
    bool newPass = false;
    bool emptyReadDue = false;  // after an end part-way through a read, the next read returns nothing
    int64_t lastEnd = -1;
    while (blockFrames_ < kBlockFrames) {
        const size_t wanted = kBlockFrames - blockFrames_;
        const size_t got = openmpt_module_read_interleaved_stereo(module_.get(), kRate, wanted,
                                                                  block_.data() + blockFrames_ * kChannels);
        blockFrames_ += got;
        if (got == wanted) break;
        if (got == 0 && emptyReadDue) {
            emptyReadDue = false;
            continue;
        }
        // A short read: the end of a pass.
        const int64_t end = decoded_ + static_cast<int64_t>(blockFrames_);
        if (passes_ == Passes::Once || end == lastEnd) {
            // The end of the song, or a second end with nothing played since the first:
            // the module player cannot go on.
            finished_ = true;
            break;
        }
        lastEnd = end;
        emptyReadDue = got > 0;
        newPass = true;
        ++pass_;
        passStart_ = end;
    }
    return newPass;
}

void SongStream::decodeBlock(SyncQueue& queue) {
    decoded_ += static_cast<int64_t>(blockFrames_);
    blockFrames_ = blockUsed_ = 0;
    if (finished_ || !module_) {
        finished_ = true;
        return;
    }
    const bool newPass = fillBlock();
    // The frames before the end are handed out; the position reported after them is no row.
    if (finished_) return;
    const int order = openmpt_module_get_current_order(module_.get());
    const int row = openmpt_module_get_current_row(module_.get());
    // A row spans many blocks and fires once; but a new pass enters its first row
    // afresh, even the row the last pass ended on (a loop to itself, a song of one row).
    if (!newPass && order == lastOrder_ && row == lastRow_) return;
    lastOrder_ = order;
    lastRow_ = row;
    for (uint8_t value : table_.valuesAt(openmpt_module_get_current_pattern(module_.get()), row))
        queue.push({value, decoded_});
}

void SongStream::prime(SyncQueue& queue) {
    if (blockUsed_ == blockFrames_) decodeBlock(queue);
}

void SongStream::render(int16_t* out, size_t frames, SyncQueue& queue) {
    rendered_ += static_cast<int64_t>(frames);
    while (frames > 0) {
        if (blockUsed_ == blockFrames_) {
            decodeBlock(queue);
            if (blockFrames_ == 0) {
                std::memset(out, 0, frames * kChannels * sizeof(int16_t));
                return;
            }
        }
        const size_t n = std::min(frames, blockFrames_ - blockUsed_);
        std::memcpy(out, block_.data() + blockUsed_ * kChannels, n * kChannels * sizeof(int16_t));
        out += n * kChannels;
        blockUsed_ += n;
        frames -= n;
    }
}

}  // namespace qm
