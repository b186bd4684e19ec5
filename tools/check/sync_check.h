// sync_check.h -- the song's Zxx sync played through the player's own decoding, against the scenes and the
// playlist.
#pragma once

#include <cstdint>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "check/diagnostics.h"
#include "check/script_check.h"

namespace qm {
class Demo;
}

namespace qm::check {

// One Zxx value as the player hears it: at the first frame of its row.
struct SongEvent {
    uint8_t value = 0;
    int64_t frame = 0;  // at 44100 frames per second from the song's start
    int order = 0;
    int row = 0;
};

struct SongReading {
    enum class Status { Read, CannotOpen, Unreadable };
    Status status = Status::CannotOpen;
    std::string typeName;       // the module player's short name of the format ("xm", "mod", ...)
    bool canCarrySync = false;  // a format whose patterns have a Zxx command
    int tempo = 0;              // at the start, as the player reads it for the beat unit
    std::vector<SongEvent> events;
    int64_t frames = 0;   // the song's length
    bool cutOff = false;  // longer than kMaxSongSeconds: decoded up to there
};

// Songs are decoded up to this length; a longer one is most likely looping.
inline constexpr int kMaxSongSeconds = 3600;

// Reads and decodes the whole song, as the music player would play it.
SongReading readSong(std::string_view path);

// "m:ss.mmm" of a frame count at 44100 Hz.
std::string formatTime(int64_t frames);

// Checks every song the globals script loads, then plays the last one's sync
// against the demo's playlist: values no scene answers, declared events the song
// never fires in their scene, and whether the scene changes end the demo at the
// last playlist entry. With `timeline`, writes the sync in time order to it.
void checkSync(const DemoFacts& facts, const Demo& demo, const std::string& globalsFile,
               Diagnostics& diagnostics, std::ostream* timeline);

}  // namespace qm::check
