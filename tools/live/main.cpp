// main.cpp -- quillmoor-live: plays a demo for its author, with seeking, pause, loops and reload on save.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "base/paths.h"
#include "live/check_process.h"
#include "live/live_options.h"
#include "live/live_session.h"
#include "live/sdl_window.h"
#include "starter/starter_demo.h"

namespace {

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

int complain(const std::string& message, int status) {
    std::fprintf(stderr, "quillmoor-live: %s\n", message.c_str());
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qm::live;
    LiveOptions options;
    std::string error;
    switch (parseLiveOptions(argc, argv, options, error)) {
        case ParseResult::Help:
            std::fputs(liveUsage(), stdout);
            return 0;
        case ParseResult::Version:
            std::printf("quillmoor-live %s\n", QUILLMOOR_VERSION);
            return 0;
        case ParseResult::UsageError:
            std::fprintf(stderr, "quillmoor-live: %s\nTry 'quillmoor-live --help' for the options.\n",
                         error.c_str());
            return 2;
        case ParseResult::New:
            if (!qm::starter::writeStarterDemo(options.newDir, error)) return complain(error, 1);
            std::printf("quillmoor-live: a new demo in %s; play it with quillmoor-live %s\n",
                        options.newDir.c_str(), options.newDir.c_str());
            return 0;
        case ParseResult::Run:
            break;
    }
    // The trace file is named relative to where the tool was started.
    qm::FileHandle trace;
    std::FILE* traceTo = nullptr;  // none by default
    if (options.traceFile == "-") {
        traceTo = stdout;
    } else if (!options.traceFile.empty()) {
        trace.reset(std::fopen(options.traceFile.c_str(), "wb"));
        if (!trace) return complain("cannot write the trace file " + options.traceFile, 1);
        traceTo = trace.get();
    }
    std::error_code ignored;
    if (!std::filesystem::is_directory(options.dir, ignored))
        return complain(options.dir + ": no such folder", 2);
    // The demo's paths are relative to its folder, for the demo and the checker alike.
    if (::chdir(options.dir.c_str()) != 0) return complain(options.dir + ": cannot enter the folder", 1);
    if (!std::filesystem::is_regular_file(qm::resolvePath("data\\globals.qms"), ignored))
        return complain("no demo in " + options.dir + ": data/globals.qms not found", 1);

    // Forked now, while this process has no window, no thread and no demo.
    CheckProcess checker;
    if (!checker.start()) complain("the checker cannot run: saved files are taken without a check", 0);

    SdlWindow window(options.fullScreen);
    LiveSession session(window, &steadySeconds, checker.running() ? &checker : nullptr);
    session.setTrace(traceTo);
    session.setMuted(options.mute);
    if (const int status = session.open(options); status != 0) return status;
    while (!session.finished()) {
        session.frame();
        // A held picture is drawn again only so often: the checker and the rest of the
        // machine get the processor meanwhile.
        if (session.paused()) std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    session.close();
    if (traceTo) std::fflush(traceTo);
    return 0;
}
