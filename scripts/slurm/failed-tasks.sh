#!/usr/bin/env bash
# Prints the array task ids of the participant job to run again, comma-separated, for
# `sbatch --array=...`: the tasks whose recorded exit status is not 0 and, given the array's
# size N, the tasks 1..N that recorded none (never ran, or were killed outright).
#
#   bash scripts/slurm/failed-tasks.sh OUTPUT_DIR [N]
set -euo pipefail
if [ $# -lt 1 ] || [ $# -gt 2 ]; then
  echo "usage: failed-tasks.sh OUTPUT_DIR [N]" >&2
  exit 2
fi
out=$1
size=${2:-0}
failed=()
for file in "$out"/logs/task-*.status; do
  [ -e "$file" ] || continue
  task=${file##*/task-}
  task=${task%.status}
  status=$(cut -f2 "$file")
  [ "$status" = 0 ] || failed+=("$task")
done
for ((task = 1; task <= size; task++)); do
  [ -e "$out/logs/task-$task.status" ] || failed+=("$task")
done
if [ ${#failed[@]} -gt 0 ]; then
  printf '%s\n' "${failed[@]}" | sort -n | uniq | paste -sd, -
fi
