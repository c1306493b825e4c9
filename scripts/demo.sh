#!/usr/bin/env bash
# Builds the viewer and runs it against the bundled sensor simulator.
set -euo pipefail
cd "$(dirname "$0")/.."
if [ -z "${DISPLAY:-}" ]; then
  echo "No display: run this from a desktop session, or under Xvfb with: xvfb-run -a scripts/demo.sh" >&2
  exit 1
fi
scripts/install-deps.sh build
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRANGEVIEW_DEVICE_ADDRESS=127.0.0.1 >/dev/null
cmake --build build -j"$(nproc)" --target rangeview rangesim
build/rangesim "$@" &
sim=$!
trap 'kill $sim 2>/dev/null; wait $sim 2>/dev/null || true' EXIT
sleep 0.3
build/rangeview
