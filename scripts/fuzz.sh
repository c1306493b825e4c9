#!/usr/bin/env bash
# Builds the record reader's libFuzzer target with clang and runs it on the
# seed corpus: scripts/fuzz.sh [SECONDS [OUTDIR]] (default 20 s in build-fuzz;
# run longer by hand).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-20}
out=${2:-build-fuzz}
mkdir -p "$out/corpus"
clang++ -std=c++17 -O1 -g -fsanitize=fuzzer,address,undefined -fno-sanitize-recover=all -I. \
  tests/fuzz/record_reader_fuzz.cpp tools/record_reader.cpp -o "$out/record_reader_fuzz"
cp tests/fuzz/corpus/* "$out/corpus/"
"$out/record_reader_fuzz" -max_total_time="$seconds" -max_len=200000 -timeout=10 \
  -rss_limit_mb=2048 -print_final_stats=1 "$out/corpus" 2>&1 | tail -n 12
