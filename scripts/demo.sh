#!/usr/bin/env bash
# The main job on the built-in sample: installs what is missing, builds, then lets the stand-in
# host build a synthetic head (anatomical and functional NIfTI files), run the module on it and
# draw the pictures that show whether the two line up.
# Usage: scripts/demo.sh [output folder] [more keldra demo options, e.g. --mapping 2]
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh >/dev/null

# keldra never replaces a file, so each demo gets a folder of its own.
out="${1:-demo-out}"
shift || true
if [ -e "$out" ]; then
  n=2
  while [ -e "$out-$n" ]; do n=$((n + 1)); done
  out="$out-$n"
fi

build/bin/keldra demo --out "$out" "$@"

echo
echo "Look at $out/alignment.png: the red (or yellow) lines are the edges of what the module"
echo "projected into the anatomy, the blue line the edge of the functional's field of view."
echo "They should follow the anatomy's outlines in every panel. $out/before.png and"
echo "$out/after.png show the anatomy before and after the module projected the functional into"
echo "it; $out/alignment_fmr.png the other way round; $out/report.json what the run did."
echo "keldra's own alignment check (the line with the verdict above) is drawn in $out/check.png,"
echo "unless --no-check was given: the anatomy's edges over the functional where the headers put"
echo "it, beside the same at the best fit."
