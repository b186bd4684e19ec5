// checker.h -- quillmoor-check: reads a demo folder with the player's own readers and reports what they
// ignore.
#pragma once

#include <ostream>
#include <string>

namespace qm::check {

class SongCache;
}  // namespace qm::check

namespace qm {
class FileSource;
}

namespace qm::check {

struct CheckOptions {
    std::string dir = ".";  // the demo folder, which holds data/globals.qms
    bool werror = false;    // warnings count as errors
    bool timeline = false;  // write the song's sync in time order
    // Songs decoded by earlier checks, decoded again only once changed; none: every check decodes.
    SongCache* songs = nullptr;
    // Where the demo's files are read from; none: the disk.
    FileSource* files = nullptr;
};

// Severities: an error is a file the demo names that the player cannot use (missing,
// unreadable, an unsupported variant, damaged, a curve with a bad segment count, a
// song that cannot carry Zxx) or a globals script that cannot be read: the demo is
// broken. Everything else is a warning: script text the player ignores or reads
// otherwise than it seems to say, and sync that does not meet the scenes.

// Exit statuses.
inline constexpr int kClean = 0;  // no errors (warnings allowed)
inline constexpr int kFoundErrors = 1;
inline constexpr int kNoDemo = 2;  // no data/globals.qms in the folder, or bad usage

// Checks the demo in `options.dir`: diagnostics go to `diagnostics`, the timeline
// (when asked for) to `out`. Returns one of the exit statuses. Works in the
// folder for the time of the call and leaves the process-wide player objects as
// it found them: empty.
int runCheck(const CheckOptions& options, std::ostream& out, std::ostream& diagnostics);

}  // namespace qm::check
