// The alignment check's speed on the realistic pair of the benchmarks: a 176x256x256 anatomy at
// 1 mm and an oblique 64x64x36 functional at 3x3x3.5 mm, both made from Debian's real T1
// (mricron-data). Preparing the anatomy happens once per anatomy; the check once per functional.
//   check_bench [benchmark flags]
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

#include "keldra/check/alignment_check.h"
#include "tests/data/epi_from_t1.h"

namespace {

using namespace orvane;

struct RealisticPair {
    keldra::check::Volume anatomy;
    keldra::check::Volume functional;
    keldra::check::AnatomyReference reference;
};

const RealisticPair& realisticPair() {
    static const std::unique_ptr<RealisticPair> pair = [] {
        auto p = std::make_unique<RealisticPair>();
        testdata::EpiGenerator generator;
        if (!generator.ok()) {
            std::fprintf(stderr, "%s\n", generator.error().c_str());
            std::exit(2);
        }
        p->anatomy = generator.anatomyOnGrid({176, 256, 256});
        testdata::EpiSettings settings;  // 64x64x36 at 3x3x3.5 mm, tilted 15 degrees
        settings.trueShiftMm = {2.0, -3.0, 1.5};
        p->functional = generator.functional(settings);
        std::string error;
        if (!keldra::check::prepareAnatomy(p->anatomy, p->reference, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            std::exit(2);
        }
        return p;
    }();
    return *pair;
}

void prepareAnatomy(benchmark::State& state) {
    const RealisticPair& pair = realisticPair();
    for (auto _ : state) {
        keldra::check::AnatomyReference reference;
        std::string error;
        benchmark::DoNotOptimize(keldra::check::prepareAnatomy(pair.anatomy, reference, error));
    }
}

void checkOneFunctional(benchmark::State& state) {
    const RealisticPair& pair = realisticPair();
    keldra::check::AlignmentCheck result;
    for (auto _ : state) {
        result = keldra::check::checkAlignment(pair.reference, pair.functional, keldra::check::Thresholds{});
        benchmark::DoNotOptimize(result.nmiAtBest);
    }
    state.counters["shift_mm"] = result.shiftLengthMm;
    state.counters["evaluations"] = result.evaluations;
}

}  // namespace

// Wall time, and the CPU time of every thread: the check runs its mirrored search on a second one.
BENCHMARK(prepareAnatomy)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(checkOneFunctional)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK_MAIN();
