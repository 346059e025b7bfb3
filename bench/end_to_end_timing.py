"""Times whole `keldra run`s against the nibabel script doing the same work
(end_to_end_nibabel.py) on the files end_to_end_data.py wrote, and prints a table: median wall
time, median CPU time (user + system) and peak resident memory of each, the ratio of the wall
times, whether keldra's peak stays within 1.25 x the decoded size of its inputs + 64 MiB, and
the floor: the time keldra_gzip_floor takes just to decompress what the run reads (a mapping-1
functional only as far as its first volume) and to compress what it writes.

The two are run alternately, after one untimed run of each (so both read warm files), each as
its own process: start-up and imports count, as a user waits for them. Every run writes into
a fresh folder, removed afterwards.

Usage: end_to_end_timing.py KELDRA DATA_FOLDER [--floor KELDRA_GZIP_FLOOR] [--pairs realistic,large]
                            [--repeats N] [--json FILE] [--keldra-argument=ARGUMENT]...
"""
import argparse
import json
import os
import platform
import shutil
import statistics
import subprocess
import sys
import tempfile
import time

import nibabel

HERE = os.path.dirname(os.path.abspath(__file__))
MIB = 1024.0 * 1024.0


def timed(command):
    """Wall seconds, CPU seconds and peak resident bytes of one run of `command`."""
    start = time.perf_counter()
    process = subprocess.Popen(command, stdout=subprocess.DEVNULL, stderr=subprocess.PIPE)
    _, status, usage = os.wait4(process.pid, 0)
    wall = time.perf_counter() - start
    process.returncode = os.waitstatus_to_exitcode(status)
    errors = process.stderr.read().decode(errors="replace")
    process.stderr.close()
    if process.returncode != 0:
        sys.exit(f"failed ({process.returncode}): {' '.join(command)}\n{errors}")
    return wall, usage.ru_utime + usage.ru_stime, usage.ru_maxrss * 1024


def decoded_bytes(paths):
    """The anatomical as 8-bit voxels (its first volume) plus every functional's volumes."""
    total = 0
    for index, path in enumerate(paths):
        header = nibabel.load(path).header
        shape = header.get_data_shape()
        voxels = shape[0] * shape[1] * shape[2]
        if index == 0:
            total += voxels
        else:
            volumes = shape[3] if len(shape) > 3 else 1
            total += voxels * volumes * (2 if header.get_data_dtype().itemsize <= 2 else 4)
    return total


def inputs_of(data, pair, mapping):
    folder = os.path.join(data, pair)
    names = ["anat", "bold", "bold2"] if mapping == 3 else ["anat", "bold"]
    return [os.path.join(folder, name + ".nii.gz") for name in names]


def floor_seconds(floor, inputs, mapping, outputs):
    """What keldra_gzip_floor reports for this run's inputs and outputs."""
    arguments = ["--whole", inputs[0], "--first-volume" if mapping == 1 else "--whole", inputs[1]]
    if mapping == 3:
        arguments += ["--first-volume", inputs[2]]
    for name in sorted(os.listdir(outputs)):
        if name.endswith(".nii.gz"):
            arguments += ["--compress", os.path.join(outputs, name)]
    report = subprocess.run([floor, *arguments], check=True, capture_output=True, text=True).stdout
    return float(report.strip().splitlines()[-1].split()[1]) / 1000.0


def measure(keldra, keldra_arguments, floor, data, pair, mapping, repeats, scratch):
    inputs = inputs_of(data, pair, mapping)
    outs = {"keldra": os.path.join(scratch, "keldra"), "nibabel": os.path.join(scratch, "nibabel")}
    commands = {
        "keldra": [keldra, "run", *inputs, "--mapping", str(mapping), "--out", outs["keldra"], *keldra_arguments],
        "nibabel": ["/usr/bin/python3", os.path.join(HERE, "end_to_end_nibabel.py"), str(mapping), outs["nibabel"],
                    *inputs],
    }
    samples = {name: [] for name in commands}
    for repeat in range(repeats + 1):
        for name, command in commands.items():
            shutil.rmtree(outs[name], ignore_errors=True)
            result = timed(command)
            if repeat > 0:
                samples[name].append(result)
    # The floor, on the outputs of keldra's last run.
    floor_time = floor_seconds(floor, inputs, mapping, outs["keldra"]) if floor else None
    for out in outs.values():
        shutil.rmtree(out, ignore_errors=True)
    summary = {}
    for name, runs in samples.items():
        summary[name] = {
            "wall": statistics.median(r[0] for r in runs),
            "cpu": statistics.median(r[1] for r in runs),
            "rss": max(r[2] for r in runs),
            "walls": [r[0] for r in runs],
        }
    summary["bound"] = 1.25 * decoded_bytes(inputs) + 64 * MIB
    summary["floor"] = floor_time
    return summary


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("keldra")
    parser.add_argument("data")
    parser.add_argument("--floor")
    parser.add_argument("--keldra-argument", action="append", default=[],
                        help="passed on to every keldra run, e.g. --keldra-argument=--no-check")
    parser.add_argument("--pairs", default="realistic,large")
    parser.add_argument("--repeats", type=int, default=5)
    parser.add_argument("--json")
    args = parser.parse_args()

    load_before = os.getloadavg()
    results = []
    with tempfile.TemporaryDirectory(dir=args.data) as scratch:
        for pair in args.pairs.split(","):
            repeats = args.repeats if pair == "realistic" else max(2, args.repeats // 2)
            for mapping in (1, 2, 3):
                print(f"timing {pair}, mapping {mapping} ({repeats} runs each)...", file=sys.stderr, flush=True)
                summary = measure(args.keldra, args.keldra_argument, args.floor, args.data, pair, mapping, repeats,
                                  scratch)
                summary.update(pair=pair, mapping=mapping, repeats=repeats)
                results.append(summary)
    load_after = os.getloadavg()

    print(f"keldra: {args.keldra} {' '.join(args.keldra_argument)}")
    print(f"Machine: {platform.node()}, {os.cpu_count()} cores; load average {load_before[0]:.1f} before, "
          f"{load_after[0]:.1f} after; nibabel {nibabel.__version__}; "
          f"{time.strftime('%Y-%m-%d %H:%M')}")
    print()
    print("| pair | mapping | keldra wall | keldra CPU | keldra peak | nibabel wall | nibabel CPU | nibabel peak "
          "| keldra / nibabel (wall) | memory bound | within | floor |")
    print("|---|---|---|---|---|---|---|---|---|---|---|---|")
    for r in results:
        k, n = r["keldra"], r["nibabel"]
        floor = "-" if r["floor"] is None else f"{r['floor']:.2f} s"
        print(f"| {r['pair']} | {r['mapping']} | {k['wall']:.2f} s | {k['cpu']:.2f} s | {k['rss'] / MIB:.0f} MiB "
              f"| {n['wall']:.2f} s | {n['cpu']:.2f} s | {n['rss'] / MIB:.0f} MiB | {k['wall'] / n['wall']:.2f} "
              f"| {r['bound'] / MIB:.0f} MiB | {'yes' if k['rss'] <= r['bound'] else 'no'} | {floor} |")
    print()
    print("Wall and CPU: medians of the timed runs (realistic pair "
          f"{args.repeats}, large pair {max(2, args.repeats // 2)} each); peak: the largest resident size of "
          "any of them. Memory bound: 1.25 x (the anatomical as 8-bit voxels + every functional's "
          "volumes as read) + 64 MiB. Floor: keldra_gzip_floor's time, best of three, for decompressing the "
          "inputs (ISA-L in one pass; zlib streaming for a first volume) and compressing the outputs of "
          "keldra's last run (gzip members at keldra's level on its threads).")
    if args.json:
        with open(args.json, "w") as f:
            json.dump({"load": [load_before, load_after], "results": results}, f, indent=1)


if __name__ == "__main__":
    main()
