// checker.h -- quillmoor-check: reads a demo folder with the player's own readers and reports what they
// ignore.
#pragma once

#include <ostream>
#include <string>

namespace qm::check {

struct CheckOptions {
    std::string dir = ".";  // the demo folder, which holds data/globals.qms
    bool werror = false;    // warnings count as errors
    bool timeline = false;  // write the song's sync in time order
};

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
