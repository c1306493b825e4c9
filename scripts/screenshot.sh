#!/usr/bin/env bash
# Makes docs/screenshot.png: the three windows on the simulator's scene,
# on a private Xvfb display. scripts/screenshot.sh [VIEW_KEY] (default c,
# the oblique view).
set -euo pipefail
cd "$(dirname "$0")/.."
key=${1:-c}
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRANGEVIEW_DEVICE_ADDRESS=127.0.0.1 >/dev/null
cmake --build build -j"$(nproc)" --target rangeview rangesim
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
exec 3< <(Xvfb -displayfd 1 -screen 0 1280x900x24 -nolisten tcp 2>/dev/null)
read -r number <&3
export DISPLAY=:$number
build/rangesim --once >/dev/null &
sim=$!
sleep 0.3
mkfifo "$XDG_RUNTIME_DIR/enter"
build/rangeview <"$XDG_RUNTIME_DIR/enter" >/dev/null 2>&1 &
viewer=$!
exec 4>"$XDG_RUNTIME_DIR/enter"
cleanup() {
  kill -INT $viewer 2>/dev/null || true
  echo >&4 || true
  wait $viewer 2>/dev/null || true
  kill $sim 2>/dev/null || true
  pkill -f "Xvfb -displayfd 1 -screen 0 1280x900x24" 2>/dev/null || true
}
trap cleanup EXIT
window() {
  for _ in $(seq 100); do
    id=$(xdotool search --onlyvisible --name "^$1\$" 2>/dev/null | head -n1) && [ -n "$id" ] && { echo "$id"; return; }
    sleep 0.1
  done
  echo "no window $1" >&2
  exit 1
}
original=$(window "Original image")
undistorted=$(window "Undistorted image")
cloud=$(window "Point Cloud")
xdotool windowmove --sync "$original" 0 0
xdotool windowmove --sync "$undistorted" 0 92
xdotool windowmove --sync "$cloud" 20 184
xdotool windowfocus --sync "$cloud" key "$key"
sleep 2
import -window root -crop 960x552+0+0 +repage docs/screenshot.png
echo "wrote docs/screenshot.png"
