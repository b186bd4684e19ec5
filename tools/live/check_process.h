// check_process.h -- the script checker in a process of its own, asked to check the demo as its files are
// now.
#pragma once

#include <sys/types.h>

#include <optional>
#include <string>

#include "live/demo_files.h"

namespace qm::live {

// The checker reads a demo with the player's own readers, in a child process forked
// before the program opens a window, starts a thread or reads the demo, and kept for
// the whole run. A check of a hostile save then never stalls the window, and one that
// brings its process down ends only the child: the window plays on and says that
// later saves are taken unchecked. Each check reads the files as they are then, in
// the working directory the child was forked in. The window never waits for it.
class CheckProcess {
public:
    struct Result {
        int status = 0;           // quillmoor-check's exit status: 0 clean (warnings allowed), 1 errors
        std::string diagnostics;  // its lines, "file:line: error: ..." and the count at the end
        Snapshot files;           // every file it read, with the bytes it checked
    };

    CheckProcess() = default;
    ~CheckProcess();
    CheckProcess(const CheckProcess&) = delete;
    CheckProcess& operator=(const CheckProcess&) = delete;

    // Forks the child. Call it while the process has no other thread. False when it
    // cannot (then nothing is checked).
    bool start();
    bool running() const { return pid_ > 0; }

    // Starts a check of the files as they are now; false while one runs or without a child.
    bool request();
    bool busy() const { return busy_; }
    // The result of the check that was asked for, once it is complete; never waits.
    std::optional<Result> poll();
    // Waits for that result (at most `seconds`).
    std::optional<Result> wait(double seconds);
    // Ends the child (a check in progress is not waited for); nothing is checked after.
    void stop();

private:
    pid_t pid_ = -1;
    int toChild_ = -1;
    int fromChild_ = -1;
    bool busy_ = false;
    std::string received_;
};

}  // namespace qm::live
