// The torus knot's update with its trace, against the same trace written through an output stream.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>

#include "base/frame_clock.h"
#include "base/trace.h"
#include "objects/torus_knot.h"
#include "support/knot_reference.h"

namespace {

void KnotUpdateWithTrace(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    qm::setTraceFile(sink);
    qm::TorusKnot knot;
    knot.init();
    qm::frameClock.delta = 1.0 / 60;
    for (auto _ : state) knot.update();
    qm::setTraceFile(nullptr);
    std::fclose(sink);
    state.counters["lines/s"] = benchmark::Counter(16080.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(KnotUpdateWithTrace)->Unit(benchmark::kMillisecond);

// The same frames with the trace computed per vertex and printed by an ofstream.
void KnotUpdateWithStreamTrace(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    qm::setTraceFile(sink);
    std::ofstream out("/dev/null");
    qm::TorusKnot knot;
    knot.init();
    qm::frameClock.delta = 1.0 / 60;
    for (auto _ : state) {
        knot.update();
        qm::test::writeReferenceKnotTrace(knot, out);
    }
    qm::setTraceFile(nullptr);
    std::fclose(sink);
}
BENCHMARK(KnotUpdateWithStreamTrace)->Unit(benchmark::kMillisecond);

}  // namespace
