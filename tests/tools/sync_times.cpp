// sync_times.cpp -- lists a song's Zxx marks as the player stamps them, for the end-to-end tests.
// Usage: quillmoor-sync-times SONG -> one "SAMPLE VALUE" line per mark of the song's first pass, in play
// order; the player acts on a mark in the first frame whose start has heard more than SAMPLE frames of the
// song. (The player plays on where the song loops; the marks of later passes are not listed.)
#include <cinttypes>
#include <cstdio>
#include <string>
#include <vector>

#include "base/paths.h"
#include "music/song_stream.h"
#include "music/sync_queue.h"

namespace {
// A first pass longer than this is listed up to here.
constexpr int64_t kMaxFrames = int64_t{3600} * qm::SongStream::kRate;
constexpr size_t kChunk = 4096;
qm::SyncQueue queue;  // too large for the stack
}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s SONG\n", argv[0]);
        return 2;
    }
    std::string bytes;
    qm::SongStream stream;
    if (!qm::readWholeFile(argv[1], bytes) || !stream.open(std::move(bytes), qm::SongStream::Passes::Once)) {
        std::fprintf(stderr, "%s: cannot read %s\n", argv[0], argv[1]);
        return 1;
    }
    std::vector<int16_t> block(kChunk * qm::SongStream::kChannels);
    while (!stream.finished() && stream.framesRendered() < kMaxFrames) {
        stream.render(block.data(), kChunk, queue);
        qm::SyncEvent event;
        while (queue.peek(event)) {
            queue.pop();
            std::printf("%" PRId64 " %d\n", event.samplePosition, event.value);
        }
    }
    return 0;
}
