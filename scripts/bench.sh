#!/usr/bin/env bash
# Builds and runs the benchmarks; the window benchmarks run on a private Xvfb.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRANGEVIEW_DEVICE_ADDRESS=127.0.0.1 >/dev/null
cmake --build build -j"$(nproc)" --target rangeview_bench
export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
xvfb-run -a -s "-screen 0 1600x1200x24" build/rangeview_bench --benchmark_color=false "$@"
