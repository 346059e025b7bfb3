#!/usr/bin/env bash
# Configures and builds orvane. Usage: scripts/build.sh [--sanitize] [build-dir]
# Warnings are errors. The default folder is build/ (build-asan/ with --sanitize).
set -euo pipefail
cd "$(dirname "$0")/.."

sanitize=OFF
dir=""
for arg in "$@"; do
  case "$arg" in
    --sanitize) sanitize=ON ;;
    *) dir="$arg" ;;
  esac
done
if [ -z "$dir" ]; then
  if [ "$sanitize" = ON ]; then dir=build-asan; else dir=build; fi
fi

bash scripts/install-deps.sh
cmake -S . -B "$dir" -DORVANE_WERROR=ON -DORVANE_SANITIZE="$sanitize" >/dev/null
# The build machines are shared: never more than two jobs.
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))
cmake --build "$dir" -j "$jobs"
