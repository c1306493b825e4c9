#!/usr/bin/env bash
# Installs the Debian packages the project needs, skipping those already
# there: scripts/install-deps.sh [build|test] (default test). "build" is
# enough to build and run the viewer and the simulator; "test" adds what the
# tests, benchmarks and tools use.
set -euo pipefail
packages=(cmake g++ make pkg-config libopencv-dev freeglut3-dev libglu1-mesa-dev)
if [ "${1:-test}" = test ]; then
  packages+=(googletest libgtest-dev libbenchmark-dev xvfb xdotool imagemagick x11-utils
             python3 python3-xlib python3-open3d clang libclang-rt-14-dev)
fi
missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "Installing: ${missing[*]}"
  if [ "$(id -u)" -ne 0 ]; then SUDO=sudo; else SUDO=; fi
  $SUDO apt-get update -qq
  DEBIAN_FRONTEND=noninteractive $SUDO apt-get install -y -qq "${missing[@]}" >/dev/null
fi
