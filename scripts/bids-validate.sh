#!/usr/bin/env bash
# Validates a BIDS dataset with the BIDS validator (npm package bids-validator 1.15.0, pinned by
# tools/bids-validator/package-lock.json), run offline with the installed Node.js. Without a
# folder it writes keldra's sample dataset into a temporary folder and validates that. Fails
# when the validator reports an error; its warnings are shown.
#
#   bash scripts/bids-validate.sh [BIDS_DIR]
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)

if ! command -v node >/dev/null || ! command -v npm >/dev/null; then
  sudo=""
  [ "$(id -u)" = 0 ] || sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq nodejs npm >/dev/null
fi
validator=tools/bids-validator
if [ ! -x "$validator/node_modules/.bin/bids-validator" ] ||
  [ "$validator/package-lock.json" -nt "$validator/node_modules/.package-lock.json" ]; then
  (cd "$validator" && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
fi

dataset=${1:-}
if [ -z "$dataset" ]; then
  bash scripts/build.sh >/dev/null
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  dataset=$work/sample
  build/bin/keldra demo --bids "$dataset" >/dev/null
fi
# The validator exits 1 on errors; --json gives counts that do not depend on its wording.
report=$(node "$validator/node_modules/.bin/bids-validator" --json "$dataset" 2>/dev/null || true)
printf '%s' "$report" | node -e '
  let text = "";
  process.stdin.on("data", (chunk) => (text += chunk));
  process.stdin.on("end", () => {
    let result;
    try { result = JSON.parse(text); } catch (e) { console.error("bids-validate: the validator gave no report"); process.exit(2); }
    const show = (issue) => issue.key + ": " + (issue.files || []).slice(0, 3)
      .map((f) => (f.file && f.file.relativePath) || "").join(" ");
    for (const w of result.issues.warnings) console.log("warning " + show(w));
    for (const e of result.issues.errors) console.log("ERROR " + show(e));
    console.log(`bids-validate: ${result.issues.errors.length} errors, ${result.issues.warnings.length} warnings`);
    process.exit(result.issues.errors.length === 0 ? 0 : 1);
  });'
