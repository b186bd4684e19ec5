// The live tool: a seek to the end of the bundled demo (a fresh start and fast-forward through its own
// driver), and what the display costs a frame.
#include <benchmark/benchmark.h>

#include <chrono>
#include <filesystem>

#include "live/live_session.h"
#include "live/live_window.h"
#include "support/temp_dir.h"

namespace {

double steadySeconds() {
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}

void LiveSeekToTheEndOfTheBundledDemo(benchmark::State& state) {
    qm::test::ScopedWorkingDirectory cwd(std::filesystem::path(QUILLMOOR_BENCH_DEMO_DIR));
    qm::live::OffscreenWindow window;
    qm::live::LiveSession session(window, &steadySeconds, nullptr);
    if (session.open(qm::live::LiveOptions{}) != 0) {
        state.SkipWithError("the demo does not run offscreen");
        return;
    }
    long steps = 0;
    for (auto _ : state) {
        session.seekToStep(1L << 30);  // stops where the demo ends itself
        steps = session.driver().step();
        if (!session.atEnd()) state.SkipWithError("the seek did not reach the end");
    }
    session.close();
    const double seconds = static_cast<double>(steps) / qm::live::LiveDriver::kStepsPerSecond;
    state.counters["demo s"] = seconds;
    state.counters["demo s per s"] =
        benchmark::Counter(seconds * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(LiveSeekToTheEndOfTheBundledDemo)->Unit(benchmark::kMillisecond)->MinTime(3);

// One frame of the knot scene as the live tool shows it, without the display (0) and with it (1).
void LiveFrameInTheKnotScene(benchmark::State& state) {
    qm::test::ScopedWorkingDirectory cwd(std::filesystem::path(QUILLMOOR_BENCH_DEMO_DIR));
    qm::live::OffscreenWindow window;
    qm::live::LiveSession session(window, &steadySeconds, nullptr);
    if (session.open(qm::live::LiveOptions{}) != 0 || session.times().entryFrames.size() < 3) {
        state.SkipWithError("the demo does not run offscreen");
        return;
    }
    session.seekToStep(session.times().entryFrames[2]);
    session.setPaused(true);  // the same moment every frame
    session.setDisplay(state.range(0) != 0);
    session.frame();
    for (auto _ : state) session.frame();
    session.close();
}
BENCHMARK(LiveFrameInTheKnotScene)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
