// The benchmark program.
//   orvane_bench [benchmark flags]   run the benchmarks
//   orvane_bench --scenarios         print the grids and matrices as JSON and stop
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstring>

#include "bench_scenarios.h"

int main(int argc, char** argv) {
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--scenarios") == 0) {
            std::fputs(orvane::bench::scenariosAsJson().c_str(), stdout);
            return 0;
        }
    }
    orvane::bench::Phantoms phantoms;
    orvane::bench::registerProjectionBenchmarks(phantoms);
#if defined(ORVANE_BENCH_WHOLE_RUN)
    orvane::bench::registerRunBenchmarks(phantoms);
#endif
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
