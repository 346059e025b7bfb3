#!/usr/bin/env bash
# Runs one Windows program under wine, headless and quiet, and passes its exit status on.
# Usage: scripts/wine-run.sh PROGRAM.exe [ARGS...]
# Needs WINEPREFIX to name a prepared prefix (scripts/windows-leg.sh makes a throw-away one),
# so that many runs share one prefix instead of each creating its own.
set -euo pipefail

if [ -z "${WINEPREFIX:-}" ] || [ ! -d "$WINEPREFIX" ]; then
  echo "wine-run: WINEPREFIX must name a prepared wine prefix (see scripts/windows-leg.sh)" >&2
  exit 2
fi
export WINEDEBUG=-all

wine=""
for candidate in wine64 /usr/lib/wine/wine64 wine; do
  if command -v "$candidate" >/dev/null 2>&1; then
    wine=$(command -v "$candidate")
    break
  fi
done
if [ -z "$wine" ]; then
  echo "wine-run: no wine found (install wine64)" >&2
  exit 2
fi

exec "$wine" "$@"
