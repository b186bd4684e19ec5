// main.cpp -- the web page's entry: plays the demo from the browser's animation callback, or renders one
// frame.
//
// The page passes its query as arguments: "--trace" (?trace=1) writes the trace to
// the browser's console; "--frame N --fps F" (?frame=N&fps=F) renders exactly frame
// N as the capture tool renders it at F frames per second, shows it and stops, with
// "--keys T:KEY,..." (&keys=...) pressing keys on the way as the capture tool's --keys.
#include <emscripten.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/trace.h"
#include "platform/keys.h"
#include "platform/offline_driver.h"
#include "platform/web/web_driver.h"
#include "runtime/frame_loop.h"
#include "runtime/globals.h"

namespace {

struct PageOptions {
    bool trace = false;
    long frame = -1;  // -1: play the demo
    double fps = 60;
    std::vector<std::pair<double, qm::DemoKey>> keys;  // seconds, key
};

bool parseNumber(std::string_view text, double& value) {
    const std::string copy(text);
    char* end = nullptr;
    value = std::strtod(copy.c_str(), &end);
    return !copy.empty() && end == copy.c_str() + copy.size();
}

// "T:KEY,T:KEY,...", T in seconds (>= 0), KEY as the capture tool names keys.
bool parseKeys(std::string_view text, PageOptions& options) {
    while (!text.empty()) {
        const size_t comma = std::min(text.find(','), text.size());
        const std::string_view item = text.substr(0, comma);
        text.remove_prefix(std::min(comma + 1, text.size()));
        const size_t colon = item.find(':');
        double seconds = 0;
        if (colon == std::string_view::npos || !parseNumber(item.substr(0, colon), seconds) || seconds < 0)
            return false;
        const std::optional<qm::DemoKey> key = qm::demoKeyFromName(item.substr(colon + 1));
        if (!key) return false;
        options.keys.emplace_back(seconds, *key);
    }
    return true;
}

bool parseOptions(int argc, char** argv, PageOptions& options) {
    for (int i = 1; i < argc; ++i) {
        double value = 0;
        if (std::strcmp(argv[i], "--trace") == 0) {
            options.trace = true;
        } else if (std::strcmp(argv[i], "--frame") == 0 && i + 1 < argc && parseNumber(argv[i + 1], value) &&
                   value >= 0 && value == static_cast<long>(value)) {
            options.frame = static_cast<long>(value);
            ++i;
        } else if (std::strcmp(argv[i], "--fps") == 0 && i + 1 < argc && parseNumber(argv[i + 1], value) &&
                   value > 0 && value <= 1000) {
            options.fps = value;
            ++i;
        } else if (std::strcmp(argv[i], "--keys") == 0 && i + 1 < argc && parseKeys(argv[i + 1], options)) {
            ++i;
        } else {
            std::fprintf(stderr,
                         "quillmoor: the page's query is not understood at \"%s\" (frame=N with N a whole "
                         "number, fps=F with 0 < F <= 1000, keys=T:KEY,..., trace=1)\n",
                         argv[i]);
            return false;
        }
    }
    return true;
}

// --- Playing: one pass of the frame loop per animation frame.

qm::WebDriver webDriver;
long framesShown = 0;

void playFrame() {
    qm::runFrame(webDriver);
    ++framesShown;
    if (!qm::quitRequested) return;
    qm::endDemo(webDriver);
    emscripten_cancel_main_loop();
}

// --- One frame: fast-forward steps up to frame N, then frame N drawn.

qm::OfflineDriver* frameDriver = nullptr;
long wantedFrame = 0;

// Fast-forward steps run in slices, so that the page stays responsive on the way
// to a late frame.
constexpr auto kSlice = std::chrono::milliseconds(40);

void announce(const char* state, long frame) {
    // JavaScript, whose operators clang-format would cut apart:
    // clang-format off
    EM_ASM({
        Module.frameState = UTF8ToString($0);
        document.title = "frame " + $1 + " " + Module.frameState;
    }, state, frame);
    // clang-format on
}

void seekFrame() {
    const auto until = std::chrono::steady_clock::now() + kSlice;
    do {
        qm::runFrame(*frameDriver);
    } while (!qm::quitRequested && std::chrono::steady_clock::now() < until);
    if (!qm::quitRequested) return;
    emscripten_cancel_main_loop();
    // The driver ends the run after frame N; an earlier end is the demo's own.
    if (frameDriver->frameIndex() == wantedFrame + 1) {
        announce("ready", wantedFrame);
    } else {
        std::fprintf(stderr, "quillmoor: the demo ends at frame %ld, before frame %ld\n",
                     frameDriver->frameIndex() - 1, wantedFrame);
        announce("missing", wantedFrame);
    }
}

}  // namespace

// What the page reads: the song frames heard so far (negative before the song
// plays) and how many frames have been shown.
extern "C" EMSCRIPTEN_KEEPALIVE double quillmoor_heard_song_frames() {
    return static_cast<double>(qm::heardSongFrames());
}
extern "C" EMSCRIPTEN_KEEPALIVE double quillmoor_frames_shown() {
    return static_cast<double>(framesShown);
}

int main(int argc, char** argv) {
    PageOptions options;
    if (!parseOptions(argc, argv, options)) {
        announce("failed", options.frame);
        return 2;
    }
    qm::setTraceEnabled(options.trace);

    if (options.frame >= 0) {
        static qm::OfflineDriver driver(options.fps);
        frameDriver = &driver;
        wantedFrame = options.frame;
        for (const auto& [seconds, key] : options.keys) driver.pressKeyAt(seconds, key);
        driver.setFastForwardUntil(options.frame);
        driver.setFrameLimit(options.frame + 1);
        if (!qm::openDemoScreen(driver)) {
            announce("failed", options.frame);
            return 1;
        }
        if (!qm::startDemo(driver)) {
            driver.close();
            announce("failed", options.frame);
            return 1;
        }
        // No closing black frame: the frame drawn last stays on the canvas.
        emscripten_set_main_loop(&seekFrame, 0, 1);
        return 0;
    }

    if (!qm::openDemoScreen(webDriver)) return 1;
    if (!qm::startDemo(webDriver)) {
        webDriver.close();
        return 1;
    }
    emscripten_set_main_loop(&playFrame, 0, 1);
    return 0;
}
