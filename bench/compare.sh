#!/usr/bin/env bash
# Runs the benchmarks and, in the same run, times the nearest-neighbour resampling of
# python3-nibabel (resample_from_to with order=0) on the same grids and matrices, then prints
# a table of times and ratios. Usage: bench/compare.sh [build-dir]
# Benchmark-only dependency: python3-nibabel (with numpy and scipy) from Debian, installed here
# (through scripts/install-deps.sh), not among the packages every build needs.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}

python=/usr/bin/python3
bash scripts/install-deps.sh python3-nibabel python3-numpy python3-scipy

bash scripts/build.sh "$dir" >&2
out=$(mktemp -d)
trap 'rm -rf "$out"' EXIT
"$dir/bin/orvane_bench" --scenarios > "$out/scenarios.json"
echo "Running the benchmarks..." >&2
"$dir/bin/orvane_bench" --benchmark_out="$out/bench.json" --benchmark_out_format=json >&2
echo "Timing the nibabel resampling..." >&2
"$python" bench/compare_with_nibabel.py "$out/scenarios.json" "$out/bench.json"
