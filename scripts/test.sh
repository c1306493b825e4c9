#!/usr/bin/env bash
# Installs what is missing, builds, and runs every test: the unit tests in a
# normal and a sanitizer build, the GUI tests on private Xvfb displays.
set -euo pipefail
cd "$(dirname "$0")/.."
scripts/install-deps.sh
jobs=$(nproc)

cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DRANGEVIEW_DEVICE_ADDRESS=127.0.0.1
cmake --build build -j"$jobs"
listed=$(ctest --test-dir build -N)
grep -q "Test *#" <<<"$listed" || { echo "no tests were built"; exit 1; }
cmake -S . -B build-asan -DCMAKE_BUILD_TYPE=Debug -DRANGEVIEW_DEVICE_ADDRESS=127.0.0.1 -DRANGEVIEW_SANITIZE=ON -DRANGEVIEW_BUILD_BENCH=OFF
cmake --build build-asan -j"$jobs" --target rangeview_unit_tests redraw_guard_test

export XDG_RUNTIME_DIR=${XDG_RUNTIME_DIR:-$(mktemp -d)}
status=0
echo "== unit and GUI tests =="
ctest --test-dir build --output-on-failure -j"$jobs" || status=1
echo "== unit tests under AddressSanitizer and UndefinedBehaviorSanitizer =="
ctest --test-dir build-asan -L unit --output-on-failure -j"$jobs" || status=1
exit $status
