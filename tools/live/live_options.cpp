// live_options.cpp -- reading the live tool's command line.
#include "live/live_options.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <vector>

namespace qm::live {

namespace {

// Longer times are surely mistakes (a demo of a day).
constexpr double kMaxSeconds = 24 * 3600;

std::string quoted(std::string_view s) {
    return "'" + std::string(s) + "'";
}

std::optional<double> parseNumber(std::string_view text) {
    double value = 0;
    const char* end = text.data() + text.size();
    auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end || !std::isfinite(value)) return std::nullopt;
    return value;
}

// The options and how many values each takes.
struct OptionShape {
    std::string_view name;
    int values;
};
constexpr OptionShape kOptions[] = {
    {"--start", 1}, {"--scene", 1}, {"--loop", 2}, {"--fullscreen", 0}, {"--mute", 0},
    {"--trace", 1}, {"--new", 1},   {"--help", 0}, {"--version", 0},
};

const OptionShape* findOption(std::string_view name) {
    for (const OptionShape& o : kOptions)
        if (o.name == name) return &o;
    return nullptr;
}

bool readTime(std::string_view name, std::string_view value, std::optional<double>& out, std::string& error) {
    out = parseClockTime(value);
    if (out) return true;
    error = std::string(name) + " wants a time in seconds or m:ss.mmm, not " + quoted(value);
    return false;
}

// Acts on one option with its values; false with `error` set on a usage error.
bool apply(std::string_view name, const std::vector<std::string_view>& values, LiveOptions& o,
           std::string& error) {
    if (name == "--fullscreen") {
        o.fullScreen = true;
    } else if (name == "--mute") {
        o.mute = true;
    } else if (name == "--start") {
        return readTime(name, values[0], o.start, error);
    } else if (name == "--loop") {
        return readTime(name, values[0], o.loopFrom, error) && readTime(name, values[1], o.loopTo, error);
    } else if (values[0].empty()) {
        error = std::string(name) + " needs a value";
        return false;
    } else if (name == "--scene") {
        o.scene = values[0];
    } else if (name == "--trace") {
        o.traceFile = values[0];
    } else if (name == "--new") {
        o.newDir = values[0];
    }
    return true;
}

bool finish(const LiveOptions& o, bool haveDir, std::string& error) {
    if (!o.newDir.empty() && (haveDir || o.start || !o.scene.empty() || o.loopFrom || o.fullScreen ||
                              o.mute || !o.traceFile.empty())) {
        error = "--new DIR writes a demo and plays nothing: give it alone";
        return false;
    }
    if (o.start && !o.scene.empty()) {
        error = "--start and --scene both say where to start; give one";
        return false;
    }
    if (o.loopFrom && *o.loopTo <= *o.loopFrom) {
        error = "--loop A B wants B later than A";
        return false;
    }
    return true;
}

}  // namespace

std::optional<double> parseClockTime(std::string_view text) {
    double minutes = 0;
    if (const size_t colon = text.find(':'); colon != std::string_view::npos) {
        const std::optional<double> m = parseNumber(text.substr(0, colon));
        if (!m || *m != std::floor(*m)) return std::nullopt;
        minutes = *m;
        text = text.substr(colon + 1);
        // m:ss wants two digits of seconds below 60
        if (text.size() < 2 || text[0] < '0' || text[0] > '5' || text[1] < '0' || text[1] > '9' ||
            (text.size() > 2 && text[2] != '.'))
            return std::nullopt;
    }
    const std::optional<double> s = parseNumber(text);
    if (!s || *s < 0 || minutes < 0) return std::nullopt;
    const double seconds = minutes * 60 + *s;
    if (seconds > kMaxSeconds) return std::nullopt;
    return seconds;
}

std::string clockTime(double seconds) {
    const long long ms = std::llround(std::max(0.0, seconds) * 1000);
    char text[32];
    std::snprintf(text, sizeof text, "%lld:%02lld.%03lld", ms / 60000, ms / 1000 % 60, ms % 1000);
    return text;
}

ParseResult parseLiveOptions(int argc, const char* const* argv, LiveOptions& o, std::string& error) {
    bool haveDir = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        if (arg == "-h") return ParseResult::Help;
        if (arg.size() < 2 || arg.substr(0, 2) != "--") {
            if (arg.size() > 1 && arg[0] == '-') {
                error = "unknown option " + quoted(arg);
                return ParseResult::UsageError;
            }
            if (haveDir) {
                error = "one demo folder only, not also " + quoted(arg);
                return ParseResult::UsageError;
            }
            o.dir = arg;
            haveDir = true;
            continue;
        }
        std::string_view name = arg;
        std::vector<std::string_view> values;
        if (const size_t eq = arg.find('='); eq != std::string_view::npos) {
            name = arg.substr(0, eq);
            values.push_back(arg.substr(eq + 1));
        }
        const OptionShape* option = findOption(name);
        if (!option) {
            error = "unknown option " + quoted(name);
            return ParseResult::UsageError;
        }
        if (name == "--help") return ParseResult::Help;
        if (name == "--version") return ParseResult::Version;
        if (option->values == 0 && !values.empty()) {
            error = std::string(name) + " takes no value";
            return ParseResult::UsageError;
        }
        if (option->values > 1 && !values.empty()) {
            error = std::string(name) + " takes its " + std::to_string(option->values) +
                    " values as separate arguments";
            return ParseResult::UsageError;
        }
        while (static_cast<int>(values.size()) < option->values) {
            if (i + 1 >= argc) {
                error = std::string(name) + (option->values == 1 ? " needs a value" : " needs two values");
                return ParseResult::UsageError;
            }
            values.push_back(argv[++i]);
        }
        if (!apply(name, values, o, error)) return ParseResult::UsageError;
    }
    if (!finish(o, haveDir, error)) return ParseResult::UsageError;
    return o.newDir.empty() ? ParseResult::Run : ParseResult::New;
}

const char* liveUsage() {
    return "Usage: quillmoor-live [OPTION]... [DIR]\n"
           "  or:  quillmoor-live --new DIR\n"
           "Plays the demo in DIR (default: the working directory) in a window, for its author: jump to\n"
           "any moment, pause, loop a stretch, and see a saved script, picture, curve, model or song at\n"
           "once, at the moment shown. A file with errors is held back (the picture stays as it was,\n"
           "a line at the bottom says so) and its diagnostics are shown, as quillmoor-check writes them.\n"
           "\n"
           "  --start T       start at T (seconds, or m:ss.mmm)\n"
           "  --scene NAME    start where the playlist entry NAME begins\n"
           "  --loop A B      play from A to B again and again\n"
           "  --fullscreen    start in full screen (F1 switches)\n"
           "  --mute          play the song silently (its sync still drives the demo)\n"
           "  --trace FILE    write the player's trace into FILE ('-': standard output); default: none.\n"
           "                  Every seek starts the demo afresh: its start-up lines come again.\n"
           "  --new DIR       write a small demo to grow into DIR (refused when DIR/data exists)\n"
           "  --help          show this help\n"
           "  --version       show the version\n"
           "\n"
           "Keys: those of the player (Enter next scene, 1-9 sync events 0-8, F1 full screen, F2 read\n"
           "tmpscene.qms, Escape quit), and Space pause/play, Left/Right 5 s back/on (with Shift 1 s),\n"
           "Page Up/Page Down the previous/next playlist entry, Home the start, M mark the moment,\n"
           "L loop between the last two marks (again: no loop), H the display of time, sync and\n"
           "diagnostics, with the timeline along the bottom edge: a click on it seeks there, a drag\n"
           "scrubs.\n"
           "\n"
           "Exit status: 0 when closed (or the new demo written), 1 when the demo cannot run (or --new\n"
           "cannot write), 2 for bad options or a --scene the song never reaches.\n";
}

}  // namespace qm::live
