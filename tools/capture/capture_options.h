// capture_options.h -- the capture tool's command line: what to render, which frames to keep, where to.
#pragma once

#include <string>
#include <vector>

#include "base/gl_state.h"
#include "runtime/demo_keys.h"

namespace qm::capture {

struct KeyPress {
    double seconds = 0;
    DemoKey key = DemoKey::Return;
};

struct CaptureOptions {
    double fps = 60;
    // The run: frames 0 to endFrame - 1. Without a length given, until the demo
    // ends itself, and at most kDefaultMaxSeconds (endFrame is then that limit and
    // `lengthGiven` false).
    long endFrame = 0;
    bool lengthGiven = false;
    // The frames written: firstFrame, firstFrame + every, ... below the end.
    long firstFrame = 0;
    long every = 1;
    std::string outDir;     // frame_00000.png, ... and audio.wav; empty: none
    std::string videoFile;  // encoded through ffmpeg; empty: none
    std::string traceFile;  // empty: no trace; "-": standard output
    std::vector<KeyPress> keys;
    std::vector<std::string> keyLists;  // the --keys values as given, for --jobs
    bool dryRun = false;                // render the frames, write nothing
    // The frames written; the picture is rendered `supersample` times larger each
    // way and scaled down.
    int width = 800;
    int height = 600;
    int supersample = 1;
    int jobs = 1;                   // processes that render consecutive ranges
    int threads = kDefaultThreads;  // encoding threads beside the renderer; 0: none
    bool sound = true;              // audio.wav and the video's sound
    bool soundOnly = false;         // audio.wav alone, every frame fast-forwarded
    int progressFd = -1;            // where a --jobs parent reads how far a chunk is

    static constexpr int kDefaultThreads = 2;

    // True when frame `n` (within the run) is written.
    bool wanted(long n) const { return n >= firstFrame && (n - firstFrame) % every == 0; }
};

// The 4:3 picture centred in a width x height frame: as large as fits, with black
// bars beside it (pillarbox) or above and below it (letterbox).
PictureRect pictureRectFor(int width, int height);

enum class ParseResult { Run, Help, UsageError };

// Reads argv[1..]. Options take their value as the next argument or after '='.
// On a usage error `error` says what is wrong, in one line.
ParseResult parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& options,
                                std::string& error);

// Reads "T:KEY,T:KEY,...": T in seconds (>= 0), KEY as demoKeyFromName knows it.
bool parseKeyList(const std::string& text, std::vector<KeyPress>& keys, std::string& error);

// The --help text.
const char* captureUsage();

// The output folder used when neither --out nor --video nor --dry-run is given.
inline constexpr const char* kDefaultOutDir = "capture";
inline constexpr double kMaxFps = 1000;
// Longer captures are refused: their sound would not fit a WAV file (4 GiB).
inline constexpr double kMaxSeconds = 6 * 3600;
// A demo whose song never sends its last scene change would run for ever.
inline constexpr double kDefaultMaxSeconds = 3600;
// The offscreen surface's largest side (the frame size times the supersampling).
inline constexpr int kMaxSurfaceSide = 4096;
inline constexpr int kMinSide = 16;
inline constexpr int kMaxSupersample = 8;
inline constexpr int kMaxJobs = 64;
inline constexpr int kMaxThreads = 16;

}  // namespace qm::capture
