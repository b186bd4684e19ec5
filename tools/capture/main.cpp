// main.cpp -- quillmoor-capture: renders the demo in the working directory to PNG frames, WAV and video.
#include <csignal>
#include <cstdio>
#include <string>

#include "capture/capture_options.h"
#include "capture/capture_run.h"

int main(int argc, char** argv) {
    using namespace qm::capture;
    CaptureOptions options;
    std::string error;
    switch (parseCaptureOptions(argc, argv, options, error)) {
        case ParseResult::Help:
            std::fputs(captureUsage(), stdout);
            return 0;
        case ParseResult::UsageError:
            std::fprintf(stderr, "quillmoor-capture: %s\nTry 'quillmoor-capture --help' for the options.\n",
                         error.c_str());
            return 2;
        case ParseResult::Run:
            break;
    }
    // A pipe to an ffmpeg that has stopped reports an error instead of ending the process.
    std::signal(SIGPIPE, SIG_IGN);
    return runCapture(options);
}
