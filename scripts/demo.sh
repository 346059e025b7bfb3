#!/usr/bin/env bash
# Installs what is missing, builds, and shows the module as a host meets it: its name,
# description and author, and how it answers a current and an old host at start-up.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/build.sh >/dev/null
build/tests/loader/keldra build/bin/orvaneplugin.so list
