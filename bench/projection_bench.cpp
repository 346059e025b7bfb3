// Speed of the three projections on realistic grids: the per-voxel reference walk, the
// portable row-by-row path and the AVX2 path, against a plain memset of the target as the
// floor. Throughput is in target voxels per second.
#include <benchmark/benchmark.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bench_scenarios.h"
#include "projection/avx2_projections.h"
#include "projection/portable_projections.h"
#include "projection/row_span.h"
#include "tests/reference/reference_projections.h"

namespace orvane::bench {
namespace {

using FmrIntoVmr = void (*)(const Matrix4&, VolumeView<const float>, VolumeView<unsigned char>);
using VmrIntoFmr = void (*)(const Matrix4&, VolumeView<const unsigned char>, VolumeView<float>);
using TwoFmrs = void (*)(const Matrix4&, const Matrix4&, VolumeView<float>, VolumeView<const float>,
                         VolumeView<unsigned char>);

struct Path {
    std::string name;
    FmrIntoVmr fmrIntoVmr;
    VmrIntoFmr vmrIntoFmr;
    TwoFmrs twoFmrs;
};

std::vector<Path> paths() {
    std::vector<Path> all = {
        {"reference", reference::projectFmrIntoVmr, reference::projectVmrIntoFmr, reference::projectTwoFmrs},
        {"portable", portable::projectFmrIntoVmr, portable::projectVmrIntoFmr, portable::projectTwoFmrs},
    };
#if ORVANE_HAS_AVX2_PATH
    if (avx2::isSupported()) {
        all.push_back({"avx2", avx2::projectFmrIntoVmr, avx2::projectVmrIntoFmr, avx2::projectTwoFmrs});
    }
#endif
    return all;
}

// The share of target voxels whose point lies inside the source grid: the part of the work
// that the row-by-row paths cannot skip.
double insideShare(const Matrix4& targetToSource, const GridSize& target, const GridSize& source) {
    const RowMapper mapper(targetToSource, target, source);
    double inside = 0.0;
    forEachRowInside(mapper, [&](std::int32_t, std::int32_t, const RowMapping&, RowSpan span) {
        inside += span.length();
    });
    return inside / voxelCount(target);
}

void finish(benchmark::State& state, const GridSize& target, double inside) {
    state.SetItemsProcessed(static_cast<std::int64_t>(state.iterations() * voxelCount(target)));
    state.counters["inside"] = inside;
}

}  // namespace

void registerProjectionBenchmarks(Phantoms& phantoms) {
    for (const Scenario& s : scenarios()) {
        const Matrix4 toFmr1 = vmrVoxelToFmrVoxel(s.fmr1);
        const Matrix4 toFmr2 = vmrVoxelToFmrVoxel(s.fmr2);
        const Matrix4 fromFmr1 = fmrVoxelToVmrVoxel(s.fmr1);

        benchmark::RegisterBenchmark(("floor_memset/" + s.name).c_str(), [&phantoms, s](benchmark::State& state) {
            std::vector<unsigned char> vmr = phantoms.vmr(s.vmr);
            for (auto _ : state) {
                std::memset(vmr.data(), 0x40, vmr.size());
                benchmark::DoNotOptimize(vmr.data());
                benchmark::ClobberMemory();
            }
            finish(state, s.vmr, 1.0);
        });

        for (const Path& path : paths()) {
            benchmark::RegisterBenchmark(
                ("mode1_fmr_into_vmr/" + s.name + "/" + path.name).c_str(),
                [&phantoms, s, path, toFmr1](benchmark::State& state) {
                    const std::vector<float>& fmr = phantoms.fmr(s.fmr1.size);
                    std::vector<unsigned char> vmr = phantoms.vmr(s.vmr);
                    for (auto _ : state) {
                        path.fmrIntoVmr(toFmr1, {fmr.data(), s.fmr1.size}, {vmr.data(), s.vmr});
                        benchmark::ClobberMemory();
                    }
                    finish(state, s.vmr, insideShare(toFmr1, s.vmr, s.fmr1.size));
                });
            benchmark::RegisterBenchmark(
                ("mode2_vmr_into_fmr/" + s.name + "/" + path.name).c_str(),
                [&phantoms, s, path, fromFmr1](benchmark::State& state) {
                    const std::vector<unsigned char>& vmr = phantoms.vmr(s.vmr);
                    std::vector<float> fmr = phantoms.fmr(s.fmr1.size);
                    for (auto _ : state) {
                        path.vmrIntoFmr(fromFmr1, {vmr.data(), s.vmr}, {fmr.data(), s.fmr1.size});
                        benchmark::ClobberMemory();
                    }
                    finish(state, s.fmr1.size, insideShare(fromFmr1, s.fmr1.size, s.vmr));
                });
            benchmark::RegisterBenchmark(
                ("mode3_two_fmrs/" + s.name + "/" + path.name).c_str(),
                [&phantoms, s, path, toFmr1, toFmr2](benchmark::State& state) {
                    std::vector<float> fmr1 = phantoms.fmr(s.fmr1.size);
                    const std::vector<float>& fmr2 = phantoms.fmr(s.fmr2.size);
                    std::vector<unsigned char> vmr = phantoms.vmr(s.vmr);
                    for (auto _ : state) {
                        path.twoFmrs(toFmr1, toFmr2, {fmr1.data(), s.fmr1.size}, {fmr2.data(), s.fmr2.size},
                                     {vmr.data(), s.vmr});
                        benchmark::ClobberMemory();
                    }
                    finish(state, s.vmr, insideShare(toFmr1, s.vmr, s.fmr1.size));
                });
        }
    }
}

}  // namespace orvane::bench
