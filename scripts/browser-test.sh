#!/usr/bin/env bash
# keldra's pages tested in a real browser: installs what is missing (Debian's chromium, Node.js
# and npm; puppeteer-core from tests/browser's lock file, which downloads no browser), builds
# keldra, writes the pages under test into a scratch folder (the demo's run page, a check of a
# file with a hostile name, a sample BIDS dataset's subject and group pages), starts headless
# Chromium with its DevTools on 127.0.0.1 and a fresh profile, runs tests/browser/*.test.mjs
# against it on file:// only, and stops it by its process id.
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

missing=()
command -v chromium >/dev/null 2>&1 || missing+=(chromium)
command -v node >/dev/null 2>&1 || missing+=(nodejs)
command -v npm >/dev/null 2>&1 || missing+=(npm)
if [ ${#missing[@]} -gt 0 ]; then
  sudo=""
  [ "$(id -u)" -ne 0 ] && sudo=sudo
  $sudo apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $sudo apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi
(cd tests/browser && npm ci --no-audit --no-fund --loglevel=error >/dev/null)
for script in keldra/report/html/*.js tests/browser/*.mjs; do
  node --check "$script"
done
bash scripts/build.sh >/dev/null

work="$(mktemp -d)"
browser_pid=""
stop_browser() {
  if [ -n "$browser_pid" ] && kill -0 "$browser_pid" 2>/dev/null; then
    kill "$browser_pid"
    wait "$browser_pid" 2>/dev/null || true
  fi
  browser_pid=""
}
trap 'stop_browser; rm -rf "$work"' EXIT

# The pages under test.
keldra=build/bin/keldra
"$keldra" demo --out "$work/pages/demo" >"$work/demo.log"
hostile='<img src=x onerror=alert(1)>.nii.gz'
mkdir -p "$work/inputs"
cp "$work/pages/demo/demo_anat.nii.gz" "$work/inputs/anat.nii.gz"
cp "$work/pages/demo/demo_bold.nii.gz" "$work/inputs/$hostile"
"$keldra" check "$work/inputs/anat.nii.gz" "$work/inputs/$hostile" --out "$work/pages/hostile" >"$work/check.log"

# The browser, on a fresh profile, its DevTools on loopback at a port of its choosing.
mkdir -p "$work/profile" "$work/screenshots"
chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --disable-default-apps --user-data-dir="$work/profile" \
  --remote-debugging-address=127.0.0.1 --remote-debugging-port=0 about:blank >"$work/chromium.log" 2>&1 &
browser_pid=$!
for _ in $(seq 1 300); do
  [ -s "$work/profile/DevToolsActivePort" ] && break
  kill -0 "$browser_pid" 2>/dev/null || { cat "$work/chromium.log" >&2; echo "chromium stopped at start" >&2; exit 1; }
  sleep 0.1
done
port=$(sed -n 1p "$work/profile/DevToolsActivePort")
endpoint=$(sed -n 2p "$work/profile/DevToolsActivePort")
[ -n "$port" ] || { echo "chromium did not open its DevTools port" >&2; exit 1; }

status=0
KELDRA_BROWSER="ws://127.0.0.1:$port$endpoint" KELDRA_PAGES="$work/pages" KELDRA_SCREENSHOTS="$work/screenshots" \
  node --test tests/browser/run_page.test.mjs || status=$?
stop_browser

if [ -n "$keep" ]; then
  mkdir -p "$keep"
  cp "$work"/screenshots/*.png "$keep"/ 2>/dev/null || true
fi
if [ "$status" -eq 0 ] && [ "$update_docs" = yes ]; then
  cp "$work/screenshots/docs-run-page.png" docs/run-page.png
  echo "updated docs/run-page.png"
fi
echo "browser tests took $(( $(date +%s) - started )) s"
exit "$status"
