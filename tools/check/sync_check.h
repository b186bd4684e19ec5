// sync_check.h -- the song's Zxx sync played through the player's own decoding, against the scenes and the
// playlist.
#pragma once

#include <cstdint>
#include <map>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#include "check/diagnostics.h"
#include "check/script_check.h"

namespace qm {
class Demo;
class FileSource;
class Scene;
}  // namespace qm

namespace qm::check {

// One Zxx value as the player hears it: at the first frame of its row.
struct SongEvent {
    uint8_t value = 0;
    int64_t frame = 0;  // at 44100 frames per second from the song's start
    int order = 0;
    int row = 0;
    int pass = 1;  // 1 until the song first loops
};

// Where a row of the song begins: the first frame of the block in which decoding entered it.
struct SongRowStart {
    int64_t frame = 0;
    int order = 0;
    int row = 0;
};

struct SongReading {
    enum class Status { Read, CannotOpen, Unreadable };
    Status status = Status::CannotOpen;
    std::string typeName;           // the module player's short name of the format ("xm", "mod", ...)
    bool canCarrySync = false;      // a format whose patterns have a Zxx command
    int tempo = 0;                  // at the start, as the player reads it for the beat unit
    std::vector<SongEvent> events;  // the first pass
    int64_t frames = 0;             // the first pass's length: where the song loops
    bool cutOff = false;            // a first pass longer than kMaxSongSeconds: decoded up to there
    // What the module player logged while opening a song it read anyway (a truncated or
    // damaged file); empty for a sound one.
    std::vector<std::string> moduleLog;
    // The bytes the song's headers describe, when the file holds fewer (cut short); 0 otherwise.
    uint64_t describedBytes = 0;
    uint64_t fileBytes = 0;

    // The player plays on where the song loops (a jump back, or past the last order
    // to the restart position); only a song the module player cannot go on with
    // does not loop.
    bool loops = false;
    int loopOrder = 0;  // the first row of the second pass
    int loopRow = 0;
    std::vector<SongEvent> loopEvents;   // the second pass, up to where the song loops again
    int64_t loopFrames = 0;              // the second pass's length; 0 when it did not end
    std::vector<SongRowStart> rows;      // every row the first pass enters, in time order
    std::vector<SongRowStart> loopRows;  // and the second pass (frames from the song's start)
};

// A pass is decoded up to this length.
inline constexpr int kMaxSongSeconds = 3600;

// Decodes the song's first two passes, as the music player plays them; the file is
// read from `files`.
SongReading readSong(std::string_view path, FileSource& files);

// The readings of songs decoded before, kept with the bytes they were decoded from:
// a process that checks the same demo again and again (the live tool's checker)
// decodes a song again only once its file has changed.
class SongCache {
public:
    const SongReading& read(std::string_view path, FileSource& files);

private:
    struct Entry {
        std::string bytes;  // empty with status CannotOpen
        SongReading reading;
    };
    std::map<std::string, Entry> entries_;  // by the path as resolved
};

// What a sync value is about to do to the demo as it stands, as the player does it:
// the scene change or the screen effect first (in the sync table's words), then the
// current scene's event; "nothing (no event N)" when it does nothing. The live tool's
// display says this of every value it hears.
std::string describeSyncValue(const Demo& demo, int value);
// A scene's name, or "(empty scene)" for the chain's head (or none).
std::string sceneNameOf(const Demo& demo, const Scene* scene);

// "m:ss.mmm" of a frame count at 44100 Hz.
std::string formatTime(int64_t frames);

// Checks every song the globals script loads, then plays the last one's sync
// against the demo's playlist: values no scene answers, declared events the song
// never fires in their scene, and whether the scene changes end the demo at the
// last playlist entry, following the song through its loops (passes after the
// second repeat it). With `timeline`, writes the first pass's sync in time order
// to it, and where the song loops.
// With a cache, songs are read through it.
void checkSync(const DemoFacts& facts, const Demo& demo, FileSource& files, const std::string& globalsFile,
               Diagnostics& diagnostics, std::ostream* timeline, SongCache* songs = nullptr);

}  // namespace qm::check
