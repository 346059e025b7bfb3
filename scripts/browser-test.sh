#!/usr/bin/env bash
# keldra's pages tested in a real browser: builds keldra, writes the pages under test into a
# scratch folder (the demo's run page, a check of a file with a hostile name, a sample BIDS
# dataset's subject and group pages) and runs tests/browser/*.test.mjs on them, from file://
# only, against a headless Chromium that scripts/with-chromium.sh installs, starts and stops.
# Usage: scripts/browser-test.sh [--update-docs] [--keep-screenshots DIR]
#   --update-docs          also copy the README's screenshots into docs/
#   --keep-screenshots DIR keep every screenshot the tests took in DIR
set -euo pipefail
cd "$(dirname "$0")/.."
started=$(date +%s)

update_docs=no
keep=""
while [ $# -gt 0 ]; do
  case "$1" in
    --update-docs) update_docs=yes ;;
    --keep-screenshots) keep="$2"; shift ;;
    *) echo "usage: scripts/browser-test.sh [--update-docs] [--keep-screenshots DIR]" >&2; exit 2 ;;
  esac
  shift
done

bash scripts/build.sh >/dev/null

work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT

# The pages under test.
keldra=build/bin/keldra
"$keldra" demo --out "$work/pages/demo" >"$work/demo.log"
hostile='<img src=x onerror=alert(1)>.nii.gz'
mkdir -p "$work/inputs"
cp "$work/pages/demo/demo_anat.nii.gz" "$work/inputs/anat.nii.gz"
cp "$work/pages/demo/demo_bold.nii.gz" "$work/inputs/$hostile"
"$keldra" check "$work/inputs/anat.nii.gz" "$work/inputs/$hostile" --out "$work/pages/hostile" >"$work/check.log"
"$keldra" demo --bids "$work/dataset" >/dev/null
# Some runs of the sample cannot be checked (exit 1): that is part of what the pages show.
"$keldra" bids "$work/dataset" "$work/pages/bids" participant >"$work/participant.log" 2>&1 || [ $? -eq 1 ]
"$keldra" bids "$work/dataset" "$work/pages/bids" group >"$work/group.log" 2>&1

# The tests, against a browser of their own (scripts/with-chromium.sh installs what they need).
mkdir -p "$work/screenshots"
status=0
KELDRA_PAGES="$work/pages" KELDRA_SCREENSHOTS="$work/screenshots" \
  bash scripts/with-chromium.sh bash -c 'for script in keldra/report/html/*.js tests/browser/*.mjs; do node --check "$script"; done
    node --test tests/browser/run_page.test.mjs tests/browser/bids_pages.test.mjs' || status=$?

if [ -n "$keep" ]; then
  mkdir -p "$keep"
  cp "$work"/screenshots/*.png "$keep"/ 2>/dev/null || true
fi
if [ "$status" -eq 0 ] && [ "$update_docs" = yes ]; then
  cp "$work/screenshots/docs-run-page.png" docs/run-page.png
  cp "$work/screenshots/docs-group-page.png" docs/group-page.png
  echo "updated docs/run-page.png and docs/group-page.png"
fi
echo "browser tests took $(( $(date +%s) - started )) s"
exit "$status"
