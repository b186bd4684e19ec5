// playlist_times.h -- where each playlist entry begins and where the demo ends, from the song's Z00 marks.
#pragma once

#include <cstdint>
#include <vector>

#include "check/sync_check.h"

namespace qm::live {

struct PlaylistTimes {
    // The frame step in which each playlist entry becomes current; entry 0 at 0.
    // Entries the song never reaches are left out.
    std::vector<long> entryFrames;
    // The step in which the demo ends itself (a Z00 during the last entry); -1 when
    // the song never gets there.
    long endFrame = -1;
};

// At `fps` frame steps per second, as the demo hears the song: a value stamped at
// sample s is acted on in the first step n with round(44100 n / fps) > s, and the
// Z00 of one step make one change. Passes after the first follow the song as it
// plays on, up to as many as the playlist has entries.
PlaylistTimes playlistTimes(const check::SongReading& song, int entries, double fps);

// The order and row heard at `frame` of the song as the player plays it on through
// its loops; false before its first row.
bool rowAt(const check::SongReading& song, int64_t frame, int& order, int& row);

// The first step n whose audio, round(44100 n / fps) frames, covers a value stamped at `sample`.
long stepHearing(int64_t sample, double fps);

}  // namespace qm::live
