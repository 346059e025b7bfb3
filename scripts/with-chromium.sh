#!/usr/bin/env bash
# Runs a command against a headless Chromium of its own: installs what is missing (Debian's
# chromium, Node.js and npm; puppeteer-core from tests/browser's lock file, which downloads no
# browser), starts Chromium on a fresh profile with its DevTools on 127.0.0.1 at a port of its
# choosing, runs the command with KELDRA_BROWSER set to the DevTools WebSocket, and stops the
# browser by its process id, whatever the command did. Exits with the command's status.
# Usage: scripts/with-chromium.sh COMMAND [ARGUMENT...]
set -euo pipefail
cd "$(dirname "$0")/.."

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

profile="$(mktemp -d)"
browser_pid=""
stop_browser() {
  if [ -n "$browser_pid" ] && kill -0 "$browser_pid" 2>/dev/null; then
    kill "$browser_pid"
    wait "$browser_pid" 2>/dev/null || true
  fi
  rm -rf "$profile"
}
trap stop_browser EXIT

chromium --headless --no-sandbox --disable-gpu --disable-quic --no-first-run --disable-background-networking \
  --disable-component-update --disable-sync --disable-default-apps --user-data-dir="$profile/data" \
  --remote-debugging-address=127.0.0.1 --remote-debugging-port=0 about:blank >"$profile/chromium.log" 2>&1 &
browser_pid=$!
for _ in $(seq 1 300); do
  [ -s "$profile/data/DevToolsActivePort" ] && break
  if ! kill -0 "$browser_pid" 2>/dev/null; then
    cat "$profile/chromium.log" >&2
    echo "with-chromium.sh: chromium stopped as it started" >&2
    exit 1
  fi
  sleep 0.1
done
port=$(sed -n 1p "$profile/data/DevToolsActivePort" 2>/dev/null || true)
endpoint=$(sed -n 2p "$profile/data/DevToolsActivePort" 2>/dev/null || true)
if [ -z "$port" ]; then
  echo "with-chromium.sh: chromium opened no DevTools port within 30 s" >&2
  exit 1
fi

status=0
KELDRA_BROWSER="ws://127.0.0.1:$port$endpoint" "$@" || status=$?
exit "$status"
