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
echo "The pictures: $out/alignment.png (the red or yellow lines are the edges of what the module"
echo "projected into the anatomy, the blue line the edge of the functional's field of view; they"
echo "should follow the anatomy's outlines in every panel), $out/before.png and $out/after.png (the"
echo "anatomy before and after), $out/alignment_fmr.png (the other way round) and, unless --no-check"
echo "was given, keldra's own alignment check: $out/check.png (the anatomy's edges over the"
echo "functional where the headers put it, beside the best fit) and $out/checkerboard.png (anatomy"
echo "and functional in alternating tiles). All of them, the verdict and the numbers on one page,"
echo "with controls to flick between them: open $out/report.html in a browser."
