// soak.cpp -- plays the bundled demo offline from start to end with a scene reloaded by F2 every few frames
// and sync events from the digit keys in between, and reports the memory the process holds along the way.
//
//   quillmoor-soak <assembled demo dir> [--reloads N] [--every K] [--scene NAME] [--fps F] [--frames N]
//                  [--max-growth-mb M]
//
// Without --frames the demo plays to its end (the song's last scene change).
// F2 reads "tmpscene.qms", a copy of the demo's scene script NAME (default "knot"), into
// whatever scene is playing. Under AddressSanitizer any memory error ends the run and
// the leak check runs at exit; without it the heap in use shows whether memory stays flat.
#include <GL/gl.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "platform/offline_driver.h"
#include "runtime/demo_keys.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"
#include "soak_support.h"

namespace {

namespace fs = std::filesystem;
using namespace qm::soak;

struct Options {
    fs::path demoDir;
    long reloads = 1000;
    long every = 4;
    std::string scene = "knot";
    double fps = 60.0;
    long frames = 0;         // 0: to the demo's end
    double maxGrowthMb = 0;  // 0: no limit
};

struct Memory {
    double residentMb = 0;
    double heapMb = 0;  // bytes handed out by malloc (not meaningful under AddressSanitizer)
};

Memory measure() {
    Memory m;
    m.residentMb = residentMb();
    m.heapMb = heapMb();
    return m;
}

bool parse(int argc, char** argv, Options& o) {
    if (argc < 2) return false;
    o.demoDir = fs::absolute(argv[1]);
    for (int i = 2; i + 1 < argc; i += 2) {
        const std::string flag = argv[i];
        const char* value = argv[i + 1];
        if (flag == "--reloads")
            o.reloads = std::atol(value);
        else if (flag == "--every")
            o.every = std::atol(value);
        else if (flag == "--scene")
            o.scene = value;
        else if (flag == "--fps")
            o.fps = std::atof(value);
        else if (flag == "--frames")
            o.frames = std::atol(value);
        else if (flag == "--max-growth-mb")
            o.maxGrowthMb = std::atof(value);
        else
            return false;
    }
    return (argc % 2) == 0 && o.reloads > 0 && o.every > 0 && o.fps > 0;
}

}  // namespace

int main(int argc, char** argv) {
    Options o;
    if (!parse(argc, argv, o)) {
        std::fprintf(stderr,
                     "usage: %s <assembled demo dir> [--reloads N] [--every K] [--scene NAME] [--fps F] "
                     "[--frames N] [--max-growth-mb M]\n",
                     argv[0]);
        return 2;
    }
    const std::string script = contents(o.demoDir / "data" / (o.scene + ".qms"));
    if (script.empty()) {
        std::fprintf(stderr, "soak: no scene script %s.qms in %s/data\n", o.scene.c_str(), o.demoDir.c_str());
        return 2;
    }
    const fs::path dir = copyDemo(o.demoDir, "quillmoor-soak");
    if (dir.empty()) {
        std::fprintf(stderr, "soak: cannot copy %s\n", o.demoDir.c_str());
        return 2;
    }
    std::error_code ignored;
    fs::current_path(dir);
    std::ofstream(dir / "tmpscene.qms", std::ios::binary) << script;

    // The torus knot traces two lines per vertex per frame: they go nowhere.
    std::FILE* nowhere = std::fopen("/dev/null", "w");
    qm::DemoRun run;
    run.trace.setFile(nowhere);

    // F2 every `every` frames; between two reloads a digit key runs one of the
    // scene's events 0 to 8, while the song's own sync marks arrive as they fall.
    qm::OfflineDriver driver(o.fps);
    driver.setFrameLimit(o.frames);
    for (long n = 0; n < o.reloads; ++n) {
        const long frame = (n + 1) * o.every;
        driver.pressKeyAtFrame(frame, qm::DemoKey::F2);
        const long digit = static_cast<long>(qm::DemoKey::Digit1) + n % 9;
        driver.pressKeyAtFrame(frame + o.every / 2, static_cast<qm::DemoKey>(digit));
    }

    // QUILLMOOR_SOAK_VERBOSE=n prints the memory every n frames.
    const char* verbose = std::getenv("QUILLMOOR_SOAK_VERBOSE");
    const long verboseEvery = verbose ? std::atol(verbose) : 0;
    long frames = 0;
    long reloadsDone = 0;
    const long middleFrame = o.reloads * o.every / 2;
    Memory start, middle, peak;
    driver.setFrameSink([&](long frame, qm::Driver::Frame kind) {
        // As a window's buffer swap would, wait for the frame to be drawn: otherwise
        // the GL driver queues frames and holds their vertex data meanwhile.
        glFinish();
        if (kind != qm::Driver::Frame::Loop) return;
        frames = frame + 1;
        if (frame > 0 && frame % o.every == 0 && frame / o.every <= o.reloads) ++reloadsDone;
        const Memory now = measure();
        if (frame == 0) start = now;
        if (frame == middleFrame) middle = now;
        if (verboseEvery > 0 && frame % verboseEvery == 0)
            std::printf("soak: frame %ld: resident %.1f MB, heap %.2f MB\n", frame, now.residentMb,
                        now.heapMb);
        if (now.residentMb > peak.residentMb) peak.residentMb = now.residentMb;
        if (now.heapMb > peak.heapMb) peak.heapMb = now.heapMb;
    });

    const int status = qm::runDemo(driver, run);
    const Memory end = measure();
    run.trace.setFile(nullptr);
    std::fclose(nowhere);
    fs::current_path(o.demoDir, ignored);
    fs::remove_all(dir, ignored);

    std::printf("soak: %ld frames, %ld reloads of %s.qms every %ld frames, exit status %d\n", frames,
                reloadsDone, o.scene.c_str(), o.every, status);
    std::printf("soak: resident MB start %.1f, middle %.1f, end %.1f, peak %.1f\n", start.residentMb,
                middle.residentMb, end.residentMb, peak.residentMb);
    std::printf("soak: heap in use MB start %.1f, middle %.1f, end %.1f, peak %.1f\n", start.heapMb,
                middle.heapMb, end.heapMb, peak.heapMb);
    if (status != 0) return 1;
    if (reloadsDone < o.reloads) {
        std::fprintf(stderr, "soak: the demo ended after %ld of %ld reloads; reload more often (--every)\n",
                     reloadsDone, o.reloads);
        return 1;
    }
    if (o.maxGrowthMb > 0 && middle.heapMb > 0 && end.heapMb - middle.heapMb > o.maxGrowthMb) {
        std::fprintf(stderr, "soak: the heap grew by %.1f MB in the second half\n",
                     end.heapMb - middle.heapMb);
        return 1;
    }
    return 0;
}
