#!/usr/bin/env bash
# Builds the libFuzzer targets with clang (in build-fuzz/, with AddressSanitizer and UBSan) and
# runs each for a fixed number of executions, starting from the seed corpus in fuzz/corpus/.
# Usage: scripts/fuzz.sh [RUNS] [TARGET...]
#   RUNS     executions per target (default 20000); 0 or less: until stopped or a fault
#   TARGET   nifti_file, alignment_run, bids_name, bids_json, group_table (default all)
# New inputs the fuzzer finds go to build-fuzz/corpus/TARGET (kept between runs); a fault
# stops the run and leaves the input that caused it in build-fuzz/faults/.
# Fuzzing is niced and uses one job: the machines are shared.
set -euo pipefail
cd "$(dirname "$0")/.."

runs=${1:-20000}
shift || true
targets=("$@")
[ ${#targets[@]} -eq 0 ] && targets=(nifti_file alignment_run bids_name bids_json group_table)

# clang and libFuzzer are needed only here, not by the main build.
bash scripts/install-deps.sh clang-14 libclang-rt-14-dev
CC=clang-14 CXX=clang++-14 cmake -S . -B build-fuzz -DORVANE_FUZZ=ON -DORVANE_SANITIZE=ON \
  -DORVANE_BUILD_BENCH=OFF -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
build_targets=()
for t in "${targets[@]}"; do build_targets+=(--target "fuzz_$t"); done
cmake --build build-fuzz -j "$jobs" "${build_targets[@]}"

mkdir -p build-fuzz/faults
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
limit=()
[ "$runs" -gt 0 ] && limit=(-runs="$runs")
for t in "${targets[@]}"; do
  corpus=build-fuzz/corpus/$t
  mkdir -p "$corpus"
  echo "== fuzz_$t: ${runs} runs" >&2
  nice -n 19 build-fuzz/bin/fuzz_"$t" "${limit[@]}" -rss_limit_mb=2048 -timeout=30 -print_final_stats=1 \
    -artifact_prefix=build-fuzz/faults/"$t"- "$corpus" fuzz/corpus/"$t"
done
