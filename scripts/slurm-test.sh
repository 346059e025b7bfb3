#!/usr/bin/env bash
# A real one-node Slurm cluster on this machine, private to this test: it runs keldra's
# participant level as a job array over the sample BIDS dataset and the group level as a job
# that depends on it, then checks the results against a serial participant level.
#
# Installs Debian's slurm-wlm and munge when missing and builds keldra. The daemons (munged,
# slurmctld, slurmd) listen on loopback ports found free, keep their state, spool, keys,
# sockets and logs in a temporary folder, and are stopped by their process ids when the test
# ends, however it ends.
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

sudo=""
if [ "$(id -u)" != 0 ]; then
  sudo=sudo
fi
if ! command -v slurmctld >/dev/null || ! command -v slurmd >/dev/null || ! command -v munged >/dev/null ||
  ! command -v sbatch >/dev/null; then
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq slurm-wlm munge >/dev/null
fi
bash scripts/build.sh >/dev/null
keldra=$repo/build/bin/keldra

work=$(mktemp -d /tmp/keldra-slurm-XXXXXX)
chmod 700 "$work"
pids=()
stop() {
  local status=$?
  # Stopped in reverse order of starting, each by the id it was started with.
  for ((i = ${#pids[@]} - 1; i >= 0; i--)); do
    kill "${pids[i]}" 2>/dev/null || true
  done
  for pid in "${pids[@]}"; do
    wait "$pid" 2>/dev/null || true
  done
  if [ "$status" != 0 ]; then
    echo "slurm test failed; the daemons' logs:" >&2
    tail -n 20 "$work"/*.log >&2 2>/dev/null || true
  fi
  rm -rf "$work"
  exit "$status"
}
trap stop EXIT
trap 'exit 130' INT TERM

free_port() {
  /usr/bin/python3 -c 'import socket; s = socket.socket(); s.bind(("127.0.0.1", 0)); print(s.getsockname()[1])'
}
wait_for() {
  local what=$1 seconds=$2
  shift 2
  for ((i = 0; i < seconds * 5; i++)); do
    if "$@" >/dev/null 2>&1; then
      return 0
    fi
    sleep 0.2
  done
  echo "slurm test: $what did not happen within $seconds s" >&2
  return 1
}

# munge, with its own key, socket and files.
mkdir -p "$work/munge" "$work/state" "$work/spool"
chmod 700 "$work/munge"
head -c 1024 /dev/urandom >"$work/munge/munge.key"
chmod 400 "$work/munge/munge.key"
munged --foreground --force --key-file="$work/munge/munge.key" --socket="$work/munge/munge.socket" \
  --pid-file="$work/munge/munged.pid" --log-file="$work/munged.log" --seed-file="$work/munge/munge.seed" \
  >>"$work/munged.out" 2>&1 &
pids+=($!)
wait_for "munged's socket" 20 test -S "$work/munge/munge.socket"

cpus=$(nproc)
memory=$(awk '/MemTotal/ { print int($2 / 1024 / 2) }' /proc/meminfo)
cat >"$work/slurm.conf" <<CONF
ClusterName=keldratest
SlurmctldHost=localhost(127.0.0.1)
SlurmctldPort=$(free_port)
SlurmdPort=$(free_port)
SlurmUser=root
SlurmdUser=root
AuthType=auth/munge
AuthInfo=socket=$work/munge/munge.socket
CredType=cred/munge
StateSaveLocation=$work/state
SlurmdSpoolDir=$work/spool
SlurmctldPidFile=$work/slurmctld.pid
SlurmdPidFile=$work/slurmd.pid
SlurmctldLogFile=$work/slurmctld.log
SlurmdLogFile=$work/slurmd.log
ProctrackType=proctrack/linuxproc
TaskPlugin=task/none
SelectType=select/cons_tres
SelectTypeParameters=CR_Core
SchedulerType=sched/builtin
MpiDefault=none
MailProg=/bin/true
ReturnToService=2
JobAcctGatherType=jobacct_gather/none
AccountingStorageType=accounting_storage/none
NodeName=keldranode NodeHostname=localhost NodeAddr=127.0.0.1 CPUs=$cpus RealMemory=$memory State=UNKNOWN
PartitionName=keldra Nodes=keldranode Default=YES MaxTime=INFINITE State=UP
CONF
export SLURM_CONF=$work/slurm.conf

# The daemons run niced, and so do the jobs they start: this machine is shared.
nice -n 10 slurmctld -D -i -f "$SLURM_CONF" >>"$work/slurmctld.out" 2>&1 &
pids+=($!)
wait_for "slurmctld answering" 30 scontrol ping
nice -n 10 slurmd -D -N keldranode -f "$SLURM_CONF" >>"$work/slurmd.out" 2>&1 &
pids+=($!)
wait_for "the node becoming idle" 60 bash -c '[ "$(sinfo -h -n keldranode -o %T)" = idle ]'
echo "slurm test: a one-node cluster is up ($cpus CPUs)"

data=$work/data
out=$work/out
serial=$work/serial
"$keldra" demo --bids "$data" >/dev/null
participants=$(tail -n +2 "$data/participants.tsv" | grep -c .)
mkdir -p "$out/logs"

started=$(date +%s)
cd "$work"
array=$(KELDRA="$keldra" sbatch --parsable --array=1-"$participants" --cpus-per-task=1 --mem-per-cpu=1G \
  --output="$out/logs/%x_%A_%a.log" "$repo/scripts/slurm/participant.sbatch" "$data" "$out")
group=$(KELDRA="$keldra" sbatch --parsable --dependency=afterany:"$array" --output="$out/logs/%x_%j.log" \
  "$repo/scripts/slurm/group.sbatch" "$data" "$out")
cd "$repo"
echo "slurm test: submitted array job $array ($participants tasks) and group job $group"
wait_for "the jobs finishing" 900 bash -c "[ -z \"\$(squeue -h -j $array,$group 2>/dev/null)\" ]"
echo "slurm test: the jobs finished in $(($(date +%s) - started)) s"

# The checks.
fail() {
  echo "slurm test: $*" >&2
  exit 1
}
[ -s "$out/group_bold.tsv" ] || fail "no group_bold.tsv (group log: $(cat "$out"/logs/keldra-group_*.log))"
# Every bold image, links whose content is absent included.
bolds=$(find -L "$data" -path "$data/sub-*" -name '*_bold.nii*' 2>/dev/null | wc -l)
rows=$(($(wc -l <"$out/group_bold.tsv") - 1))
[ "$rows" = "$bolds" ] || fail "group_bold.tsv has $rows rows for $bolds bold files"
column() { head -1 "$out/group_bold.tsv" | tr '\t' '\n' | grep -nx "$1" | cut -d: -f1; }
row() { grep -F "$1" "$out/group_bold.tsv"; }
cell() { row "$1" | cut -f"$(column "$2")"; }
[[ "$(cell sub-04_task-rest_bold reason)" == *"no T1-weighted anatomical"* ]] || fail "sub-04's reason: $(row sub-04)"
[[ "$(cell sub-03_task-nback_bold reason)" == "content not retrieved"* ]] || fail "the unretrieved run: $(row sub-03_task-nback)"
[ "$(cell sub-01_task-nback_bold verdict)" = misaligned ] || fail "the shifted run is not misaligned: $(row sub-01_task-nback)"
for task in $(seq 1 "$participants"); do
  [ -s "$out/logs/task-$task.status" ] || fail "array task $task recorded no exit status"
done
echo "slurm test: exit statuses recorded: $(cut -f1,2 "$out"/logs/task-*.status | tr '\t\n' '= ')"

# The same records as a serial participant level of every subject, timings and start times apart.
"$keldra" bids "$data" "$serial" participant --nprocs 1 >/dev/null 2>&1 || true
/usr/bin/python3 - "$out" "$serial" <<'PY'
import json, pathlib, sys
out, serial = (pathlib.Path(p) for p in sys.argv[1:3])
def records(root):
    found = {}
    for path in sorted(root.glob("sub-*/**/*_desc-alignment_qc.json")):
        record = json.loads(path.read_text())
        record.pop("seconds", None)
        if isinstance(record.get("report"), dict):
            record["report"].pop("startedUtc", None)
        found[str(path.relative_to(root))] = record
    return found
a, b = records(out), records(serial)
if a.keys() != b.keys():
    sys.exit(f"slurm test: the records differ in names: {sorted(a.keys() ^ b.keys())}")
different = [name for name in a if a[name] != b[name]]
if different:
    sys.exit(f"slurm test: records differ from the serial run's: {different}")
print(f"slurm test: {len(a)} records identical to a serial run's (timings apart)")
PY
echo "slurm test passed in $(($(date +%s) - started)) s"
