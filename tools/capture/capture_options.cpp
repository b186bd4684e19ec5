// capture_options.cpp -- reading the capture tool's command line.
#include "capture/capture_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>
#include <string_view>

namespace qm::capture {

namespace {

// A value between single quotes, for messages.
std::string quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

// A whole-string decimal number (no blanks, no trailing characters), finite.
std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

std::optional<long> parseCount(std::string_view text) {
    long value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

// The first frame whose time n / fps is at or after `seconds`, with the same
// allowance as the offline driver's key presses so that n / fps lands on n.
long frameAt(double seconds, double fps) {
    return static_cast<long>(std::ceil(seconds * fps - 1e-6));
}

// The raw option values, turned into frame numbers once the frame rate is known.
struct RawOptions {
    std::optional<double> seconds;
    std::optional<long> frames;
    std::optional<double> from;
    std::optional<double> to;
};

bool readTime(std::string_view name, std::string_view value, double& out, std::string& error) {
    std::optional<double> v = parseNumber(value);
    if (!v || *v < 0 || *v > kMaxSeconds) {
        error = std::string(name) + " wants a time in seconds from 0 to " +
                std::to_string(long(kMaxSeconds)) + ", not " + quoted(value);
        return false;
    }
    out = *v;
    return true;
}

bool readPositiveCount(std::string_view name, std::string_view value, long& out, std::string& error) {
    std::optional<long> v = parseCount(value);
    if (!v || *v < 1) {
        error = std::string(name) + " wants a whole number of at least 1, not " + quoted(value);
        return false;
    }
    out = *v;
    return true;
}

bool readCountIn(std::string_view name, std::string_view value, long low, long high, int& out,
                 std::string& error) {
    std::optional<long> v = parseCount(value);
    if (!v || *v < low || *v > high) {
        error = std::string(name) + " wants a whole number from " + std::to_string(low) + " to " +
                std::to_string(high) + ", not " + quoted(value);
        return false;
    }
    out = static_cast<int>(*v);
    return true;
}

// "WIDTHxHEIGHT", each side from kMinSide to kMaxSurfaceSide.
bool readSize(std::string_view value, CaptureOptions& o, std::string& error) {
    const size_t x = value.find_first_of("xX");
    std::optional<long> w, h;
    if (x != std::string_view::npos) {
        w = parseCount(value.substr(0, x));
        h = parseCount(value.substr(x + 1));
    }
    const auto fits = [](std::optional<long> side) {
        return side && *side >= kMinSide && *side <= kMaxSurfaceSide;
    };
    if (!fits(w) || !fits(h)) {
        error = "--size wants WIDTHxHEIGHT, each from " + std::to_string(kMinSide) + " to " +
                std::to_string(kMaxSurfaceSide) + " (for example 1920x1080), not " + quoted(value);
        return false;
    }
    o.width = static_cast<int>(*w);
    o.height = static_cast<int>(*h);
    return true;
}

// Options that cannot go together, and sizes that the surface or the video cannot take.
bool checkCombinations(const CaptureOptions& o, std::string& error) {
    if (o.dryRun && (!o.outDir.empty() || !o.videoFile.empty())) {
        error = "--dry-run writes nothing; it goes with neither --out nor --video";
        return false;
    }
    if (o.soundOnly && (o.dryRun || !o.videoFile.empty() || !o.sound || o.jobs > 1)) {
        error =
            "--sound-only writes audio.wav alone; it goes without --dry-run, --video, --no-sound and --jobs";
        return false;
    }
    if (static_cast<long>(o.width) * o.supersample > kMaxSurfaceSide ||
        static_cast<long>(o.height) * o.supersample > kMaxSurfaceSide) {
        error = "--size " + std::to_string(o.width) + "x" + std::to_string(o.height) +
                " with --supersample " + std::to_string(o.supersample) + " needs a surface larger than " +
                std::to_string(kMaxSurfaceSide) + " pixels on a side";
        return false;
    }
    if (!o.videoFile.empty() && (o.width % 2 != 0 || o.height % 2 != 0)) {
        error = "--video wants an even width and height (H.264 with 4:2:0 colour), not " +
                std::to_string(o.width) + "x" + std::to_string(o.height);
        return false;
    }
    return true;
}

bool finish(const RawOptions& raw, CaptureOptions& o, std::string& error) {
    if (raw.seconds && raw.frames) {
        error = "--seconds and --frames both say how long to capture; give one";
        return false;
    }
    if (raw.from && raw.to && *raw.to <= *raw.from) {
        error = "--to must be later than --from";
        return false;
    }
    if (!checkCombinations(o, error)) return false;
    const double maxFrames = kMaxSeconds * o.fps;
    if (raw.frames && *raw.frames > maxFrames) {
        error = "--frames: at most " + std::to_string(long(maxFrames)) + " frames at this rate";
        return false;
    }
    o.lengthGiven = raw.frames || raw.seconds || raw.to;
    long end = frameAt(kDefaultMaxSeconds, o.fps);
    if (raw.frames) end = *raw.frames;
    if (raw.seconds) end = frameAt(*raw.seconds, o.fps);
    if (raw.to)
        end = raw.frames || raw.seconds ? std::min(end, frameAt(*raw.to, o.fps)) : frameAt(*raw.to, o.fps);
    if (end < 1) {
        error = "the time given is shorter than one frame at this rate";
        return false;
    }
    o.endFrame = end;
    o.firstFrame = raw.from ? frameAt(*raw.from, o.fps) : 0;
    if (o.firstFrame >= end) {
        error = o.lengthGiven ? "no frame to write: --from is at or after the end of the capture"
                              : "no frame to write: --from is beyond an hour; give the length with --seconds";
        return false;
    }
    if (o.outDir.empty() && o.videoFile.empty() && !o.dryRun) o.outDir = kDefaultOutDir;
    return true;
}

}  // namespace

bool parseKeyList(const std::string& text, std::vector<KeyPress>& keys, std::string& error) {
    size_t pos = 0;
    while (pos <= text.size()) {
        size_t comma = text.find(',', pos);
        if (comma == std::string::npos) comma = text.size();
        const std::string_view item(text.data() + pos, comma - pos);
        pos = comma + 1;
        const size_t colon = item.find(':');
        if (colon == std::string_view::npos) {
            error = "--keys: " + quoted(item) + " is not TIME:KEY (for example 12.5:Return)";
            return false;
        }
        KeyPress press;
        if (!readTime("--keys", item.substr(0, colon), press.seconds, error)) return false;
        std::optional<DemoKey> key = demoKeyFromName(item.substr(colon + 1));
        if (!key) {
            error = "--keys: unknown key " + quoted(item.substr(colon + 1)) + " (Return, Escape, 1-9, F2)";
            return false;
        }
        press.key = *key;
        keys.push_back(press);
    }
    return true;
}

ParseResult parseCaptureOptions(int argc, const char* const* argv, CaptureOptions& o, std::string& error) {
    RawOptions raw;
    for (int i = 1; i < argc; ++i) {
        std::string_view arg = argv[i];
        if (arg == "--help" || arg == "-h") return ParseResult::Help;
        if (arg == "--dry-run" || arg == "--no-sound" || arg == "--sound-only") {
            o.dryRun = o.dryRun || arg == "--dry-run";
            o.sound = o.sound && arg != "--no-sound";
            o.soundOnly = o.soundOnly || arg == "--sound-only";
            continue;
        }
        if (arg.substr(0, 2) != "--") {
            error = "unexpected argument " + quoted(arg);
            return ParseResult::UsageError;
        }
        std::string_view name = arg;
        std::string_view value;
        bool hasValue = false;
        if (size_t eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            value = arg.substr(eq + 1);
            hasValue = true;
        }
        static constexpr std::string_view kWithValue[] = {
            "--fps",   "--seconds",     "--frames", "--from",    "--to",
            "--every", "--out",         "--video",  "--keys",    "--trace",
            "--size",  "--supersample", "--jobs",   "--threads", "--progress-fd"};
        bool known = false;
        for (std::string_view n : kWithValue) known = known || n == name;
        if (!known) {
            error = "unknown option " + quoted(name);
            return ParseResult::UsageError;
        }
        if (!hasValue) {
            if (i + 1 >= argc) {
                error = std::string(name) + " needs a value";
                return ParseResult::UsageError;
            }
            value = argv[++i];
        }

        bool ok = true;
        if (name == "--fps") {
            std::optional<double> v = parseNumber(value);
            ok = v && *v > 0 && *v <= kMaxFps;
            if (ok)
                o.fps = *v;
            else
                error = "--fps wants a rate above 0 and up to " + std::to_string(long(kMaxFps)) + ", not " +
                        quoted(value);
        } else if (name == "--seconds" || name == "--from" || name == "--to") {
            double t = 0;
            ok = readTime(name, value, t, error);
            if (ok && name == "--seconds") {
                if (t == 0) {
                    error = "--seconds wants a time above 0";
                    ok = false;
                }
                raw.seconds = t;
            }
            if (name == "--from") raw.from = t;
            if (name == "--to") raw.to = t;
        } else if (name == "--frames") {
            long n = 0;
            ok = readPositiveCount(name, value, n, error);
            raw.frames = n;
        } else if (name == "--every") {
            ok = readPositiveCount(name, value, o.every, error);
        } else if (name == "--size") {
            ok = readSize(value, o, error);
        } else if (name == "--supersample") {
            ok = readCountIn(name, value, 1, kMaxSupersample, o.supersample, error);
        } else if (name == "--jobs") {
            ok = readCountIn(name, value, 1, kMaxJobs, o.jobs, error);
        } else if (name == "--threads") {
            ok = readCountIn(name, value, 0, kMaxThreads, o.threads, error);
        } else if (name == "--progress-fd") {
            ok = readCountIn(name, value, 3, 1024, o.progressFd, error);
        } else if (value.empty()) {
            error = std::string(name) + " needs a value";
            ok = false;
        } else if (name == "--out") {
            o.outDir = value;
        } else if (name == "--video") {
            o.videoFile = value;
        } else if (name == "--trace") {
            o.traceFile = value;
        } else if (name == "--keys") {
            ok = parseKeyList(std::string(value), o.keys, error);
            o.keyLists.emplace_back(value);
        }
        if (!ok) return ParseResult::UsageError;
    }
    return finish(raw, o, error) ? ParseResult::Run : ParseResult::UsageError;
}

PictureRect pictureRectFor(int width, int height) {
    PictureRect r;
    if (static_cast<long>(width) * 3 >
        static_cast<long>(height) * 4) {  // wider than 4:3: bars left and right
        r.height = height;
        r.width = static_cast<int>(std::lround(height * 4.0 / 3.0));
        r.x = (width - r.width) / 2;
        r.y = 0;
    } else {  // 4:3 or taller: bars above and below
        r.width = width;
        r.height = static_cast<int>(std::lround(width * 3.0 / 4.0));
        r.x = 0;
        r.y = (height - r.height) / 2;
    }
    return r;
}

const char* captureUsage() {
    return "Usage: quillmoor-capture [OPTION]...\n"
           "Plays the demo in the working directory offscreen at a fixed frame rate, exactly as the\n"
           "player would, and writes what it shows and plays: PNG frames and a WAV, or a video.\n"
           "\n"
           "  --fps N           frames per second (default 60); frame n shows demo time n / N\n"
           "  --seconds S       capture the first S seconds\n"
           "  --frames N        capture the first N frames (default: until the demo ends\n"
           "                    itself, at most an hour)\n"
           "  --from T          write only the frames from T seconds on; the demo is\n"
           "                    fast-forwarded to T, exactly as if every frame before were drawn\n"
           "  --to T            ... and before T seconds; the capture ends there\n"
           "  --every N         write only every Nth frame, counted from --from (the frames\n"
           "                    between are fast-forwarded too)\n"
           "  --out DIR         write frame_00000.png, ... (numbered by frame) and audio.wav into DIR\n"
           "                    (default: capture, unless --video or --dry-run is given)\n"
           "  --video FILE      encode the frames with their sound into FILE (an .mp4) through ffmpeg\n"
           "  --size WxH        frames of W x H pixels (default 800x600); the 4:3 picture is\n"
           "                    centred, with black bars where the frame is wider or taller\n"
           "  --supersample N   render N x N times the pixels and scale down, for smooth edges\n"
           "  --jobs N          render N consecutive ranges in N processes and join them\n"
           "  --threads N       encoding threads beside the renderer (default 2; 0: none)\n"
           "  --no-sound        no audio.wav, and a video without sound\n"
           "  --sound-only      write audio.wav alone, in a fraction of the time\n"
           "  --keys T:KEY,...  press keys at demo times in seconds: Return, Escape, 1-9, F2\n"
           "  --trace FILE      write the player's trace into FILE ('-': standard output);\n"
           "                    by default there is none\n"
           "  --dry-run         render the frames but write no pictures and no sound\n"
           "  --progress-fd N   write the number of frames done to descriptor N (--jobs uses it)\n"
           "  --help            show this help\n"
           "\n"
           "The WAV (44.1 kHz, 16-bit stereo) holds the sound of the captured time, from the first\n"
           "frame written to the end of the capture. The trace holds the frames drawn: none for\n"
           "the frames fast-forwarded. Make a video from the frames with\n"
           "  ffmpeg -framerate 60 -i DIR/frame_%05d.png -i DIR/audio.wav out.mp4\n"
           "\n"
           "Exit status: 0 when done, 1 when the demo cannot run or an output fails, 2 for bad options.\n";
}

}  // namespace qm::capture
