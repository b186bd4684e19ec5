// The torus knot's update with its trace, against the same trace written through an output stream.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <ostream>

#include "objects/torus_knot.h"
#include "runtime/demo_run.h"

namespace {

qm::Vec3 cross(const qm::Vec3& u, const qm::Vec3& v) {
    return {u.y * v.z - u.z * v.y, u.z * v.x - u.x * v.z, u.x * v.y - u.y * v.x};
}

qm::Vec3 unit(const qm::Vec3& v) {
    const float length = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return {v.x / length, v.y / length, v.z / length};
}

// The baseline: the trace worked out vertex by vertex from the knot's curve points
// and printed through an output stream.
void writeStreamKnotTrace(const qm::TorusKnot& knot, std::ostream& out) {
    for (int k = 0; k <= 200; ++k)
        for (int n = 20; n >= 1; --n)
            for (int t = 0; t <= 1; ++t) {
                const int i = (k + t) % 200;
                const qm::Vec3& p0 = knot.knotPoints[i];
                const qm::Vec3& p1 = knot.knotPoints[(i + 1) % 200];
                const qm::Vec3 tangent{p1.x - p0.x, p1.y - p0.y, p1.z - p0.z};
                const qm::Vec3 b = cross(tangent, p1.add(p0));
                const qm::Vec3 bh = unit(b);
                const qm::Vec3 nh = unit(cross(b, tangent));
                out << "n2:" << nh.x << " " << nh.y << " " << nh.z << "\n";
                out << "b:" << bh.x << " " << bh.y << " " << bh.z << "\n";
            }
}

void KnotUpdateWithTrace(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    qm::DemoRun run;
    run.trace.setFile(sink);
    qm::TorusKnot knot(run.kinds);
    knot.init();
    run.clock.delta = 1.0 / 60;
    for (auto _ : state) knot.update(run.frameContext(true));
    run.trace.setFile(nullptr);
    std::fclose(sink);
    state.counters["lines/s"] = benchmark::Counter(16080.0 * state.iterations(), benchmark::Counter::kIsRate);
}
BENCHMARK(KnotUpdateWithTrace)->Unit(benchmark::kMillisecond);

// The same frames with the trace computed per vertex and printed by an ofstream.
void KnotUpdateWithStreamTrace(benchmark::State& state) {
    std::FILE* sink = std::fopen("/dev/null", "w");
    qm::DemoRun run;
    run.trace.setFile(sink);
    std::ofstream out("/dev/null");
    qm::TorusKnot knot(run.kinds);
    knot.init();
    run.clock.delta = 1.0 / 60;
    for (auto _ : state) {
        knot.update(run.frameContext(true));
        writeStreamKnotTrace(knot, out);
    }
    run.trace.setFile(nullptr);
    std::fclose(sink);
}
BENCHMARK(KnotUpdateWithStreamTrace)->Unit(benchmark::kMillisecond);

}  // namespace
