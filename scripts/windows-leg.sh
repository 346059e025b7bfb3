#!/usr/bin/env bash
# The Windows leg: installs the mingw-w64 cross compiler and wine (Debian packages) when they
# are missing, cross-builds the module and the Windows host programs into build-windows/,
# checks the module's imports and exports, and runs the host programs under wine in a
# throw-away prefix, comparing the Windows keldra's results with the native keldra's (built in
# build/ when missing). Usage: scripts/windows-leg.sh [build-dir]
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build-windows}
started=$(date +%s)

bash scripts/install-deps.sh g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 wine64

# The build machines are shared: never more than two jobs.
jobs=$(( $(nproc) < 2 ? $(nproc) : 2 ))

# The native keldra and module whose results the Windows build must match.
cmake -S . -B build -DORVANE_WERROR=ON >/dev/null
cmake --build build -j "$jobs" --target keldra

cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-w64-x86_64.cmake -DORVANE_WERROR=ON \
  -DORVANE_NATIVE_KELDRA="$PWD/build/bin/keldra" >/dev/null
cmake --build "$dir" -j "$jobs"

# A prefix of our own, removed at the end together with the wine server that serves it.
WINEPREFIX=$(mktemp -d "${TMPDIR:-/tmp}/orvane-wine.XXXXXX")
export WINEPREFIX WINEDEBUG=-all
wineserver=$(command -v wineserver64 || command -v wineserver || echo /usr/lib/wine/wineserver64)
cleanup() {
  "$wineserver" -k 2>/dev/null || true
  rm -rf "$WINEPREFIX"
}
trap cleanup EXIT

# Prepare the prefix once, so that the tests running side by side find it ready.
bash scripts/wine-run.sh wineboot --init >/dev/null 2>&1
"$wineserver" -w

ctest --test-dir "$dir" --output-on-failure -j "$jobs"
echo "Windows leg took $(( $(date +%s) - started )) s" >&2
