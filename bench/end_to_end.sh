#!/usr/bin/env bash
# Times whole `keldra run`s in mappings 1, 2 and 3 against a nibabel script doing the same
# input, resampling and output work, on a realistic pair of files (anatomical 176x256x256, 1 mm;
# functional 64x64x36x300 at 3x3x3.5 mm, oblique) and a larger one (functional 104x104x72x400),
# and prints the table with the floor under each run (see docs/performance.md).
#
# Usage: bench/end_to_end.sh [build-dir]
#   REPEATS=5                  timed runs of each command on the realistic pair (half on the large)
#   PAIRS=realistic,large      which pairs
#   JSON=file                  also write every measurement there
# The files are written once into build-dir/bench-data/ (about 1.1 GB with the large pair) and
# written again when the generator changes. Benchmark-only dependency: python3-nibabel (with
# numpy and scipy) from Debian, installed here through scripts/install-deps.sh, not among the
# packages every build needs.
set -euo pipefail
cd "$(dirname "$0")/.."
dir=${1:-build}
repeats=${REPEATS:-5}
pairs=${PAIRS:-realistic,large}

python=/usr/bin/python3
bash scripts/install-deps.sh python3-nibabel python3-numpy python3-scipy

bash scripts/build.sh "$dir" >&2

data="$dir/bench-data"
stamp=$(sha256sum bench/end_to_end_data.py | cut -c1-16)
for pair in ${pairs//,/ }; do
  if [ "$(cat "$data/$pair/stamp" 2>/dev/null)" != "$stamp" ]; then
    echo "Writing the $pair pair into $data/$pair..." >&2
    rm -rf "${data:?}/$pair"
    "$python" bench/end_to_end_data.py "$data" "$pair"
    echo "$stamp" > "$data/$pair/stamp"
  fi
done

floor=()
if [ -x "$dir/bin/keldra_gzip_floor" ]; then floor=(--floor "$dir/bin/keldra_gzip_floor"); fi
"$python" bench/end_to_end_timing.py "$dir/bin/keldra" "$data" "${floor[@]}" --pairs "$pairs" --repeats "$repeats" \
  ${JSON:+--json "$JSON"}
