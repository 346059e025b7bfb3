#!/usr/bin/env bash
# Whether two keldra builds draw the same pictures, pixel for pixel: runs both on the demo in
# mappings 1 to 3, on the realistic pair of bench/end_to_end.sh in mappings 1 to 3, and through
# `keldra check` on a functional whose header claims the other side, one moved 70 mm to the
# right (partly outside the anatomy), the second functional, and the flipped one drawn
# radiological and colour-blind safe; then compares the decoded RGB of every picture (and the
# demo's checksums). For work that makes the pictures faster: the PNG bytes may differ, the
# pixels may not.
#
# Usage: bench/picture_identity.sh OLD_KELDRA NEW_KELDRA [build-dir]
#   The realistic pair is taken from build-dir/bench-data/realistic (written by
#   bench/end_to_end.sh, PAIRS=realistic); exits 1 when any picture differs.
# Benchmark-only dependencies: python3-nibabel and python3-pil from Debian.
set -euo pipefail
cd "$(dirname "$0")/.."
old=$(realpath "$1")
new=$(realpath "$2")
dir=${3:-build}
python=/usr/bin/python3
bash scripts/install-deps.sh python3-nibabel python3-numpy python3-pil

pair="$dir/bench-data/realistic"
if [ ! -f "$pair/anat.nii.gz" ] || [ ! -f "$pair/bold2.nii.gz" ]; then
  echo "No realistic pair in $pair: run PAIRS=realistic REPEATS=1 bash bench/end_to_end.sh $dir first." >&2
  exit 2
fi
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# The two misplaced functionals, from the realistic one's first eight volumes.
"$python" - "$pair/bold.nii.gz" "$work" <<'EOF'
import sys
import nibabel as nib
import numpy as np
source = nib.load(sys.argv[1])
data = np.asarray(source.dataobj[..., :8])
for name, affine in (("flipped", np.diag([-1.0, 1, 1, 1]) @ source.affine),
                     ("outside", source.affine + np.array([[0, 0, 0, 70.0], [0, 0, 0, 0], [0, 0, 0, 0], [0, 0, 0, 0]]))):
    image = nib.Nifti1Image(data, affine, source.header.copy())
    image.set_sform(affine, 1)
    image.set_qform(affine, 1)
    nib.save(image, f"{sys.argv[2]}/bold_{name}.nii.gz")
EOF

# Every case's pictures and the demo's checksums, into $work/<label>/.
draw() {
  local keldra=$1 out=$work/$2
  mkdir -p "$out"
  for m in 1 2 3; do
    "$keldra" demo --mapping $m --out "$out/demo$m" 2>&1 | grep -o "checksum.*" >> "$out/checksums.txt" || true
  done
  for m in 1 2 3; do
    local second=()
    [ $m = 3 ] && second=("$pair/bold2.nii.gz")
    "$keldra" run "$pair/anat.nii.gz" "$pair/bold.nii.gz" "${second[@]}" --mapping $m --out "$out/real$m" >/dev/null 2>&1
  done
  # `keldra check` exits 3 or 4 for a functional it finds misaligned.
  "$keldra" check "$pair/anat.nii.gz" "$work/bold_flipped.nii.gz" --out "$out/flipped" >/dev/null 2>&1 || true
  "$keldra" check "$pair/anat.nii.gz" "$work/bold_outside.nii.gz" --out "$out/outside" >/dev/null 2>&1 || true
  "$keldra" check "$pair/anat.nii.gz" "$pair/bold.nii.gz" "$pair/bold2.nii.gz" --out "$out/second" >/dev/null 2>&1 || true
  "$keldra" check "$pair/anat.nii.gz" "$work/bold_flipped.nii.gz" --radiological --colour-blind-safe \
    --out "$out/flipped_rcb" >/dev/null 2>&1 || true
}
draw "$old" old
draw "$new" new

"$python" - "$work/old" "$work/new" <<'EOF'
import hashlib
import os
import sys
from PIL import Image

def pictures(root):
    found = {}
    for folder, _, files in os.walk(root):
        for name in files:
            if name.endswith(".png"):
                path = os.path.join(folder, name)
                image = Image.open(path).convert("RGB")
                found[os.path.relpath(path, root)] = (image.size, hashlib.sha256(image.tobytes()).hexdigest())
    return found

old, new = pictures(sys.argv[1]), pictures(sys.argv[2])
differ = sorted(name for name in old.keys() | new.keys() if old.get(name) != new.get(name))
checksums = [open(os.path.join(root, "checksums.txt")).read() for root in sys.argv[1:]]
for name in differ:
    print(f"differs: {name}")
if checksums[0] != checksums[1]:
    print("differs: the demo's checksums")
print(f"{len(old)} pictures compared, {len(differ)} differ")
sys.exit(1 if differ or checksums[0] != checksums[1] or not old else 0)
EOF
