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
    openmpt_module* module = openmpt_module_create_from_memory2(bytes.data(), bytes.size(), openmpt_log_func_silent,
                                                                nullptr, openmpt_error_func_ignore, nullptr, &error,
                                                                &message, nullptr);
    openmpt_free_string(message);
    return module;
}

}  // namespace

void SongStream::ModuleDeleter::operator()(openmpt_module* module) const { openmpt_module_destroy(module); }

SongStream::SongStream() = default;
SongStream::~SongStream() = default;

bool SongStream::open(std::string bytes) {
    module_.reset();
    table_ = SyncTable();
    blockFrames_ = blockUsed_ = 0;
    decoded_ = rendered_ = 0;
    lastOrder_ = lastRow_ = -1;
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
    // Without this the player starts over at the end and reports row 0 again,
    // which would fire the first row's sync values after the song has ended.
    openmpt_module_ctl_set_text(module_.get(), "play.at_end", "stop");
    // The default dither adds random noise: the same song would render differently
    // each time, and offline renders must be exactly repeatable.
    openmpt_module_ctl_set_integer(module_.get(), "dither", 0);
    return true;
}

int SongStream::tempo() const { return module_ ? openmpt_module_get_current_tempo(module_.get()) : 0; }

void SongStream::decodeBlock(SyncQueue& queue) {
    decoded_ += static_cast<int64_t>(blockFrames_);
    blockFrames_ = blockUsed_ = 0;
    if (finished_ || !module_) {
        finished_ = true;
        return;
    }
    blockFrames_ = openmpt_module_read_interleaved_stereo(module_.get(), kRate, kBlockFrames, block_.data());
    if (blockFrames_ < kBlockFrames) {
        // A short read is the end of the song; the position it reports is no row.
        finished_ = true;
        return;
    }
    const int order = openmpt_module_get_current_order(module_.get());
    const int row = openmpt_module_get_current_row(module_.get());
    if (order == lastOrder_ && row == lastRow_) return;
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
