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
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "base/trace.h"
#include "platform/keys.h"
#include "platform/offline_driver.h"
#include "platform/web/web_driver.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"

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

// --- The page's program: one run of the demo and its driver, for as long as the page lives.

struct Page {
    qm::DemoRun run;
    qm::WebDriver webDriver;
    std::unique_ptr<qm::OfflineDriver> frameDriver;  // ?frame=N: fast-forward steps up to frame N
    long wantedFrame = 0;
    long framesShown = 0;
};

// The page asks for the song's heard position and the frames shown through exported
// functions, which take no user pointer; so the page's program is reached from here.
// It is made once, by main, and lives as long as the page.
Page* thePage = nullptr;

// --- Playing: one pass of the frame loop per animation frame.

void playFrame(void* context) {
    Page& page = *static_cast<Page*>(context);
    qm::runFrame(page.webDriver, page.run);
    ++page.framesShown;
    if (!page.run.quitRequested) return;
    qm::endDemo(page.webDriver, page.run);
    emscripten_cancel_main_loop();
}

// --- One frame: fast-forward steps up to frame N, then frame N drawn.

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

void seekFrame(void* context) {
    Page& page = *static_cast<Page*>(context);
    qm::OfflineDriver& driver = *page.frameDriver;
    const auto until = std::chrono::steady_clock::now() + kSlice;
    do {
        qm::runFrame(driver, page.run);
    } while (!page.run.quitRequested && std::chrono::steady_clock::now() < until);
    if (!page.run.quitRequested) return;
    emscripten_cancel_main_loop();
    // The driver ends the run after frame N; an earlier end is the demo's own.
    if (driver.frameIndex() == page.wantedFrame + 1) {
        announce("ready", page.wantedFrame);
    } else {
        std::fprintf(stderr, "quillmoor: the demo ends at frame %ld, before frame %ld\n",
                     driver.frameIndex() - 1, page.wantedFrame);
        announce("missing", page.wantedFrame);
    }
}

}  // namespace

// What the page reads: the song frames heard so far (negative before the song
// plays) and how many frames have been shown.
extern "C" EMSCRIPTEN_KEEPALIVE double quillmoor_heard_song_frames() {
    return thePage ? static_cast<double>(qm::heardSongFrames(thePage->run.music)) : -1;
}
extern "C" EMSCRIPTEN_KEEPALIVE double quillmoor_frames_shown() {
    return thePage ? static_cast<double>(thePage->framesShown) : 0;
}

int main(int argc, char** argv) {
    PageOptions options;
    if (!parseOptions(argc, argv, options)) {
        announce("failed", options.frame);
        return 2;
    }
    // The main loop outlives this function (the browser calls it back), and so does the page.
    static Page page;
    thePage = &page;
    page.run.trace.setEnabled(options.trace);

    if (options.frame >= 0) {
        page.frameDriver = std::make_unique<qm::OfflineDriver>(options.fps);
        qm::OfflineDriver& driver = *page.frameDriver;
        page.wantedFrame = options.frame;
        for (const auto& [seconds, key] : options.keys) driver.pressKeyAt(seconds, key);
        driver.setFastForwardUntil(options.frame);
        driver.setFrameLimit(options.frame + 1);
        if (!qm::openDemoScreen(driver)) {
            announce("failed", options.frame);
            return 1;
        }
        if (!qm::startDemo(driver, page.run)) {
            driver.close();
            announce("failed", options.frame);
            return 1;
        }
        // No closing black frame: the frame drawn last stays on the canvas.
        emscripten_set_main_loop_arg(&seekFrame, &page, 0, 1);
        return 0;
    }

    if (!qm::openDemoScreen(page.webDriver)) return 1;
    if (!qm::startDemo(page.webDriver, page.run)) {
        page.webDriver.close();
        return 1;
    }
    emscripten_set_main_loop_arg(&playFrame, &page, 0, 1);
    return 0;
}
