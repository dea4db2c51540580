#!/usr/bin/env bash
# Sets up a fresh machine, builds everything and runs every test:
#   1. the full build (program, tools, tests, benchmarks) and all its tests;
#   2. the core libraries again with address and undefined-behaviour sanitizers, and their tests.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTO_SANITIZE=ON \
  -DKESTO_BUILD_UI=OFF -DKESTO_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

# 3. The libFuzzer targets (clang): built, then each run for a short while from an empty corpus.
#    Longer runs: build-fuzz/fuzz/<target> -max_total_time=600
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DKESTO_BUILD_FUZZ=ON -DKESTO_BUILD_UI=OFF -DKESTO_BUILD_TESTS=OFF -DKESTO_BUILD_BENCH=OFF
cmake --build build-fuzz -j "$jobs"
for target in build-fuzz/fuzz/*/fuzz_*; do
  [ -x "$target" ] || continue
  name=$(basename "$target")
  log="build-fuzz/$name.log"
  if "$target" -max_total_time=15 -print_final_stats=1 >"$log" 2>&1; then
    echo "$name: $(grep -E 'stat::number_of_executed_units' "$log" | awk '{print $2}') runs in 15 s, no finding"
  else
    tail -n 40 "$log"
    echo "$name: finding (input saved by libFuzzer in the working folder)" >&2
    exit 1
  fi
done
