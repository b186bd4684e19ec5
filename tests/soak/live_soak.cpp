// live_soak.cpp -- the live tool offscreen on the bundled demo: seeks to moments all over the demo with saves
// of a scene script in between (most of them good, some broken), taken or held back through the real checker
// and folder watch, and the memory the process holds along the way.
//
//   quillmoor-live-soak <assembled demo dir> [--seeks N] [--saves M] [--scene NAME] [--max-growth-mb X]
//
// Every save is waited for: a good one must be reloaded, a broken one held back with
// its error, before the seeks go on. Under AddressSanitizer any memory error ends the
// run and the leak check runs at exit; without it the heap in use shows whether
// memory stays flat.
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "base/trace.h"
#include "live/check_process.h"
#include "live/live_session.h"
#include "live/live_window.h"
#include "soak_support.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::soak;

struct Options {
    fs::path demoDir;
    long seeks = 1000;
    long saves = 200;
    std::string scene = "knot";
    double maxGrowthMb = 0;  // 0: no limit
};

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

bool parse(int argc, char** argv, Options& o) {
    if (argc < 2) return false;
    o.demoDir = fs::absolute(argv[1]);
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const char* value = argv[i + 1];
        if (flag == "--seeks")
            o.seeks = std::atol(value);
        else if (flag == "--saves")
            o.saves = std::atol(value);
        else if (flag == "--scene")
            o.scene = value;
        else if (flag == "--max-growth-mb")
            o.maxGrowthMb = std::atof(value);
        else
            return false;
    }
    return (argc % 2) == 0 && o.seeks > 0 && o.saves >= 0 && o.saves <= o.seeks;
}

}  // namespace

int main(int argc, char** argv) {
    using namespace qm::live;
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(
            stderr,
            "usage: %s <assembled demo dir> [--seeks N] [--saves M] [--scene NAME] [--max-growth-mb X]\n",
            argv[0]);
        return 2;
    }
    const std::string script = contents(o.demoDir / "data" / (o.scene + ".qms"));
    if (script.empty()) {
        std::fprintf(stderr, "soak: no scene script %s.qms in %s/data\n", o.scene.c_str(), o.demoDir.c_str());
        return 2;
    }
    const fs::path dir = copyDemo(o.demoDir, "quillmoor-live-soak");
    if (dir.empty()) {
        std::fprintf(stderr, "soak: cannot copy %s\n", o.demoDir.c_str());
        return 2;
    }
    std::error_code ignored;
    fs::current_path(dir);

    // Forked first, as the tool does: the process has no thread and no context yet.
    CheckProcess checker;
    if (!checker.start()) {
        std::fprintf(stderr, "soak: the checker cannot run\n");
        return 1;
    }
    int status = 0;
    double heapStart = 0, heapMiddle = 0, heapEnd = 0, residentStart = 0, residentEnd = 0, peak = 0;
    long reloads = 0, held = 0;
    double slowestSeek = 0, slowestSave = 0;
    {
        OffscreenWindow window;
        LiveSession session(window, &steadySeconds, &checker);
        if (session.open(LiveOptions{}) != 0) return 1;
        const double end =
            session.times().endFrame > 0 ? session.times().endFrame / LiveDriver::kStepsPerSecond : 100;
        uint32_t random = 12345;
        auto next = [&] { return random = random * 1664525u + 1013904223u; };
        const long saveEvery = o.saves > 0 ? o.seeks / o.saves : 0;
        long saves = 0;
        for (long i = 0; i < o.seeks && status == 0; ++i) {
            // Anywhere from the start to a little past the end.
            const double t = (next() >> 8) % static_cast<uint32_t>((end + 2) * 1000) / 1000.0;
            session.setDisplay(i % 2 == 0);  // the display is drawn over every other seek's frames
            session.seek(t);
            slowestSeek = std::max(slowestSeek, session.lastSeekSeconds());
            session.frame();
            session.frame();
            if (saveEvery > 0 && saves < o.saves && i % saveEvery == saveEvery / 2) {
                // Every fourth save is broken (the camera's curve is missing); the others
                // change how fast the camera goes round.
                const bool broken = saves % 4 == 3;
                std::string text = script;
                const std::string speed = "speed 0.0625";
                if (size_t at = text.find(speed); at != std::string::npos)
                    text.replace(at, speed.size(), "speed 0.0" + std::to_string(500 + saves));
                if (broken) text += "select Camera\ncurve data\\nothere.crv\n";
                std::ofstream(dir / "data" / (o.scene + ".qms"), std::ios::binary | std::ios::trunc) << text;
                ++saves;
                const int before = session.reloads() + session.heldBack();
                const double savedAt = steadySeconds();
                while (session.reloads() + session.heldBack() == before && steadySeconds() - savedAt < 30) {
                    session.frame();
                    if (session.paused()) usleep(5000);
                }
                slowestSave = std::max(slowestSave, steadySeconds() - savedAt);
                const bool tookIt = session.reloads() > reloads;
                reloads = session.reloads();
                held = session.heldBack();
                if (session.reloads() + session.heldBack() == before || tookIt == broken ||
                    session.holdingBack() != broken) {
                    std::fprintf(stderr, "soak: save %ld (%s) was %s\n", saves, broken ? "broken" : "good",
                                 tookIt                  ? "reloaded"
                                 : session.holdingBack() ? "held back"
                                                         : "not taken");
                    status = 1;
                }
            }
            const double heap = heapMb();
            if (std::getenv("QUILLMOOR_SOAK_VERBOSE"))
                std::printf("soak: seek %ld to %.3f s: heap %.1f MB, resident %.1f MB\n", i, t, heap,
                            residentMb());
            peak = std::max(peak, heap);
            if (i == 0) heapStart = heap, residentStart = residentMb();
            if (i == o.seeks / 2) heapMiddle = heap;
        }
        // A checker that has died holds no save back: the next one is taken unchecked.
        if (status == 0 && o.saves > 0) {
            checker.stop();
            std::ofstream(dir / "data" / (o.scene + ".qms"), std::ios::binary | std::ios::trunc) << script;
            const int before = session.reloads();
            const double savedAt = steadySeconds();
            while (session.reloads() == before && steadySeconds() - savedAt < 30) session.frame();
            if (session.reloads() == before) {
                std::fprintf(stderr, "soak: with the checker gone, a save was not taken\n");
                status = 1;
            }
            reloads = session.reloads();
        }
        heapEnd = heapMb();
        residentEnd = residentMb();
        session.close();
    }
    fs::current_path(o.demoDir, ignored);
    fs::remove_all(dir, ignored);

    std::printf("soak: %ld seeks, %ld reloads and %ld held back, slowest seek %.3f s, slowest save %.3f s\n",
                o.seeks, reloads, held, slowestSeek, slowestSave);
    std::printf(
        "soak: heap in use MB start %.1f, middle %.1f, end %.1f, peak %.1f; resident MB start %.1f, end "
        "%.1f\n",
        heapStart, heapMiddle, heapEnd, peak, residentStart, residentEnd);
    if (status != 0) return status;
    if (o.maxGrowthMb > 0 && heapMiddle > 0 && heapEnd - heapMiddle > o.maxGrowthMb) {
        std::fprintf(stderr, "soak: the heap grew by %.1f MB in the second half\n", heapEnd - heapMiddle);
        return 1;
    }
    return 0;
}
