// The whole alignment run as the host starts it, against the in-process fake host: binding,
// reading and normalising the FMRs, the mapping matrices, the projection, write-back, saving
// and logging. Throughput is in target voxels per second, as for the projections alone.
#include <benchmark/benchmark.h>

#include <optional>
#include <string>
#include <vector>

#include "bench_scenarios.h"
#include "run/alignment_run.h"
#include "tests/support/fake_host.h"

namespace orvane::bench {
namespace {

// The phantom's intensities as 16-bit values, with the geometry's voxel size and alignment.
void fillFmr(testing::FakeFmr& document, const FmrGeometry& geometry, const std::vector<float>& phantom) {
    document.header.setVoxelSize(geometry.voxelSizeMm[0], geometry.voxelSizeMm[1], geometry.voxelSizeMm[2]);
    for (std::size_t i = 0; i < phantom.size() && i < document.intData.size(); ++i) {
        document.intData[i] = static_cast<std::int16_t>(phantom[i] * 10.0f);
    }
    document.initialAlignment = fmrMmToVmrMm(geometry);
}

void fillWorkspace(testing::FakeHost& host, const Scenario& s, int mode, Phantoms& phantoms) {
    host.addVmr(s.vmr).voxels = phantoms.vmr(s.vmr);
    fillFmr(host.addFmr(s.fmr1.size, kFmrDataInt16, "run1"), s.fmr1, phantoms.fmr(s.fmr1.size));
    if (mode == 3) {
        fillFmr(host.addFmr(s.fmr2.size, kFmrDataInt16, "run2"), s.fmr2, phantoms.fmr(s.fmr2.size));
    }
    host.answerPrompts({mode});
}

}  // namespace

void registerRunBenchmarks(Phantoms& phantoms) {
    const Scenario s = scenarios().front();
    for (int mode = 1; mode <= 3; ++mode) {
        const std::string name = "execute_mode" + std::to_string(mode) + "/" + s.name;
        benchmark::RegisterBenchmark(name.c_str(), [&phantoms, s, mode](benchmark::State& state) {
            std::optional<testing::FakeHost> host;
            for (auto _ : state) {
                // A fresh workspace each time, so that every run starts from the same data.
                state.PauseTiming();
                host.reset();
                host.emplace();
                fillWorkspace(*host, s, mode, phantoms);
                state.ResumeTiming();
                if (!runAlignment(host->lookup())) {
                    state.SkipWithError("the run refused the workspace");
                    break;
                }
            }
            const GridSize target = mode == 2 ? s.fmr1.size : s.vmr;
            state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * voxelCount(target)));
        })->Unit(benchmark::kMillisecond);
    }
}

}  // namespace orvane::bench
