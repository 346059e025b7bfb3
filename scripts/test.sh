#!/usr/bin/env bash
# Installs what is missing, builds and runs every test.
# Usage: scripts/test.sh [--sanitize]   (--sanitize: AddressSanitizer + UBSan build in build-asan/)
set -euo pipefail
cd "$(dirname "$0")/.."

dir=build
for arg in "$@"; do
  [ "$arg" = --sanitize ] && dir=build-asan
done
bash scripts/build.sh "$@"
export ASAN_OPTIONS=detect_leaks=1:abort_on_error=1
export UBSAN_OPTIONS=print_stacktrace=1:halt_on_error=1
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
ctest --test-dir "$dir" --output-on-failure -j "$jobs"
