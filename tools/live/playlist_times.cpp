// playlist_times.cpp -- the song's scene changes as frame steps.
#include "live/playlist_times.h"

#include <algorithm>
#include <cmath>
#include <iterator>

#include "music/music_player.h"

namespace qm::live {

namespace {

int64_t audioAt(long step, double fps) {
    return std::llround(MusicPlayer::kRate * static_cast<double>(step) / fps);
}

}  // namespace

long stepHearing(int64_t sample, double fps) {
    long n = static_cast<long>(std::floor(static_cast<double>(sample) * fps / MusicPlayer::kRate));
    while (n > 0 && audioAt(n - 1, fps) > sample) --n;
    while (audioAt(n, fps) <= sample) ++n;
    return n;
}

bool rowAt(const check::SongReading& song, int64_t frame, int& order, int& row) {
    const std::vector<check::SongRowStart>* rows = &song.rows;
    if (song.loops && frame >= song.frames) {  // a later pass: the second, repeated
        rows = &song.loopRows;
        if (song.loopFrames > 0) frame = song.frames + (frame - song.frames) % song.loopFrames;
    }
    const auto after = std::upper_bound(rows->begin(), rows->end(), frame,
                                        [](int64_t f, const check::SongRowStart& r) { return f < r.frame; });
    if (after == rows->begin()) return false;
    order = std::prev(after)->order;
    row = std::prev(after)->row;
    return true;
}

PlaylistTimes playlistTimes(const check::SongReading& song, int entries, double fps) {
    PlaylistTimes times;
    times.entryFrames.push_back(0);
    long lastChange = -1;
    // Each Z00 heard in a step of its own changes the scene once; the change after
    // the last entry ends the demo.
    auto hear = [&](int64_t sample) {
        const long step = stepHearing(sample, fps);
        if (step == lastChange) return false;
        lastChange = step;
        if (static_cast<int>(times.entryFrames.size()) >= entries) {
            times.endFrame = step;
            return true;
        }
        times.entryFrames.push_back(step);
        return false;
    };
    for (const check::SongEvent& e : song.events)
        if (e.value == 0 && hear(e.frame)) return times;
    if (!song.loops || song.loopFrames <= 0) return times;
    for (int pass = 0; pass <= entries; ++pass) {
        const int64_t shift = pass * song.loopFrames;
        for (const check::SongEvent& e : song.loopEvents)
            if (e.value == 0 && hear(e.frame + shift)) return times;
    }
    return times;
}

}  // namespace qm::live
