// live_options.h -- the live tool's command line: where to start, what to loop, how to play.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace qm::live {

struct LiveOptions {
    std::string dir = ".";           // the demo folder, which holds data/globals.qms
    std::optional<double> start;     // --start, in seconds
    std::string scene;               // --scene: start where this playlist entry begins
    std::optional<double> loopFrom;  // --loop A B
    std::optional<double> loopTo;
    bool fullScreen = false;
    bool mute = false;
    std::string traceFile;  // empty: no trace; "-": standard output
    std::string newDir;     // --new DIR: write the starter demo there instead of playing
};

enum class ParseResult { Run, New, Help, Version, UsageError };

// Reads argv[1..]. Options with one value take it as the next argument or after '=';
// --loop takes the next two. --new DIR comes alone. On a usage error `error` says what is wrong, in one line.
ParseResult parseLiveOptions(int argc, const char* const* argv, LiveOptions& options, std::string& error);

// "75", "75.5", "1:15" or "1:15.500": seconds, or minutes and seconds. Not negative.
std::optional<double> parseClockTime(std::string_view text);
// Seconds as m:ss.mmm ("1:15.500").
std::string clockTime(double seconds);

// The --help text.
const char* liveUsage();

}  // namespace qm::live
