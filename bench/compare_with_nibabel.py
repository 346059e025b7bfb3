"""Times nibabel's nearest-neighbour resampling (resample_from_to, order=0) on the benchmark
scenarios and prints it beside the benchmark results, with the ratios.

The mapping matrices act on centred voxel coordinates; nibabel maps uncentred voxel indices
through inv(source affine) x target affine, so the target affine is the identity and the source
affine the inverse of  translate(+source centre) x matrix x translate(-target centre).
Times are CPU times (process time), which a shared machine disturbs less than wall time; the
benchmark's wall times are shown as well.
"""
import json
import platform
import sys
import time

import nibabel
import numpy as np
from nibabel.processing import resample_from_to

REPEATS = 3


def centre(size):
    return np.array([(n - 1) / 2.0 for n in size])


def source_affine(matrix16, target_size, source_size):
    m = np.array(matrix16, dtype=np.float64).reshape(4, 4)
    to_centred = np.eye(4)
    to_centred[:3, 3] = -centre(target_size)
    from_centred = np.eye(4)
    from_centred[:3, 3] = centre(source_size)
    target_voxel_to_source_voxel = from_centred @ m @ to_centred
    return np.linalg.inv(target_voxel_to_source_voxel)


def phantom(size, dtype, top):
    rng = np.random.default_rng(7)
    return (rng.random(size) * top).astype(dtype)


def resample_seconds(source, matrix16, target_size):
    image = nibabel.Nifti1Image(source, source_affine(matrix16, target_size, source.shape))
    best_cpu, best_wall = float("inf"), float("inf")
    for _ in range(REPEATS):
        cpu, wall = time.process_time(), time.perf_counter()
        resample_from_to(image, (tuple(target_size), np.eye(4)), order=0)
        best_cpu = min(best_cpu, time.process_time() - cpu)
        best_wall = min(best_wall, time.perf_counter() - wall)
    return best_cpu, best_wall


def main(scenarios_file, bench_file):
    scenarios = json.load(open(scenarios_file))
    bench = json.load(open(bench_file))
    results = {}
    for b in bench["benchmarks"]:
        scale = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[b.get("time_unit", "ns")]
        results[b["name"]] = (b["cpu_time"] * scale, b["real_time"] * scale)

    context = bench.get("context", {})
    print(f"Machine: {platform.node()}, {context.get('num_cpus')} x {context.get('mhz_per_cpu')} MHz, "
          f"{platform.processor() or platform.machine()}; load average {context.get('load_avg')}")
    print(f"Date: {context.get('date')}; nibabel {nibabel.__version__}, numpy {np.__version__}")
    print()
    header = ("case", "reference", "portable", "avx2", "whole run", "memset", "nibabel", "nibabel/fastest")
    print("| " + " | ".join(header) + " |")
    print("|" + "---|" * len(header))

    def ms(seconds):
        return "-" if seconds is None else f"{seconds * 1e3:.2f}"

    for s in scenarios:
        vmr_size, fmr1, fmr2 = s["vmr"], s["fmr1"], s["fmr2"]
        fmr1_data = phantom(fmr1["size"], np.float32, 225.0)
        fmr2_data = phantom(fmr2["size"], np.float32, 225.0)
        vmr_data = phantom(vmr_size, np.uint8, 255.0)
        nibabel_cpu = {
            1: resample_seconds(fmr1_data, fmr1["vmrVoxelToFmrVoxel"], vmr_size)[0],
            2: resample_seconds(vmr_data, fmr1["fmrVoxelToVmrVoxel"], fmr1["size"])[0],
            3: resample_seconds(fmr1_data, fmr1["vmrVoxelToFmrVoxel"], vmr_size)[0]
            + resample_seconds(fmr2_data, fmr2["vmrVoxelToFmrVoxel"], vmr_size)[0],
        }
        names = {1: "mode1_fmr_into_vmr", 2: "mode2_vmr_into_fmr", 3: "mode3_two_fmrs"}
        for mode in (1, 2, 3):
            def cpu(path):
                r = results.get(f"{names[mode]}/{s['name']}/{path}")
                return None if r is None else r[0]
            whole = results.get(f"execute_mode{mode}/{s['name']}")
            memset = results.get(f"floor_memset/{s['name']}") if mode != 2 else None
            timed = [t for t in (cpu("portable"), cpu("avx2")) if t is not None]
            fastest = min(timed) if timed else None
            ratio = "-" if fastest is None else f"{nibabel_cpu[mode] / fastest:.0f}x"
            row = (f"mode {mode}, {s['name']}", ms(cpu("reference")), ms(cpu("portable")), ms(cpu("avx2")),
                   ms(whole[0] if whole else None), ms(memset[0] if memset else None), ms(nibabel_cpu[mode]),
                   ratio)
            print("| " + " | ".join(row) + " |")
    print()
    print("Times in ms of CPU time per call (the benchmark: mean over its iterations; nibabel: best of "
          f"{REPEATS}). 'whole run' is execute against the fake host, including reading, normalising, "
          "matrices, write-back and saving. Mode 3 for nibabel is two resamplings into the VMR grid.")
    if any(r[1] > 1.5 * r[0] for r in results.values() if r[0] > 0):
        print("Note: wall times exceeded CPU times by more than half in this run; the machine was busy.")


if __name__ == "__main__":
    main(sys.argv[1], sys.argv[2])
