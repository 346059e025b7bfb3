#!/usr/bin/env bash
# Times sorting and filtering on a group page of many generated runs in headless Chromium.
# Usage: bench/group-page.sh [RUNS]   (1000 by default)
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/build.sh >/dev/null
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
build/bin/group_page_sample "$work" "${1:-1000}" >/dev/null
KELDRA_PAGES="$work" bash scripts/with-chromium.sh node bench/group_page_bench.mjs
