// Seeking: the bundled demo started afresh and fast-forwarded to its end at 60 frames per second.
#include <benchmark/benchmark.h>

#include <filesystem>

#include "base/gl_state.h"
#include "platform/offline_driver.h"
#include "runtime/demo_run.h"
#include "runtime/frame_loop.h"
#include "support/temp_dir.h"

namespace {

void SeekToTheEndOfTheBundledDemo(benchmark::State& state) {
    qm::test::ScopedWorkingDirectory cwd(std::filesystem::path(QUILLMOOR_BENCH_DEMO_DIR));
    qm::OfflineDriver driver(60);
    if (!qm::openDemoScreen(driver)) {
        state.SkipWithError("no offscreen GL context");
        return;
    }
    long frames = 0;
    for (auto _ : state) {
        driver.setFastForwardUntil(1L << 30);
        {
            qm::DemoRun run;  // a fresh run each time, as a seek makes
            run.trace.setEnabled(false);
            qm::startDemo(driver, run);
            while (!run.quitRequested) qm::runFrame(driver, run);
            frames = driver.frameIndex();
        }
        qm::resetGlState();
        driver.restart();
    }
    driver.close();
    state.counters["demo s"] = static_cast<double>(frames) / 60;
    state.counters["demo s per s"] = benchmark::Counter(static_cast<double>(frames) / 60 * state.iterations(),
                                                        benchmark::Counter::kIsRate);
}
BENCHMARK(SeekToTheEndOfTheBundledDemo)->Unit(benchmark::kMillisecond)->MinTime(3);

}  // namespace
