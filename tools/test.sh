#!/usr/bin/env bash
# Sets up a fresh machine, builds everything and runs every test, warnings as errors:
#   1. the full build (program, tools, tests, benchmarks) and all its tests;
#   2. the core libraries again with address and undefined-behaviour sanitizers, and their tests;
#   3. the libFuzzer targets, each for a short while;
#   4. a Release build as a packager makes it, with its tests, and its Debian package, checked
#      by tools/check-package.sh.
set -euo pipefail
cd "$(dirname "$0")/.."

bash tools/setup.sh

jobs=$(nproc)

cmake -S . -B build -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTO_WERROR=ON
cmake --build build -j "$jobs"
ctest --test-dir build --output-on-failure -j "$jobs"

cmake -S . -B build-asan -G Ninja -DCMAKE_BUILD_TYPE=Debug -DKESTO_WERROR=ON -DKESTO_SANITIZE=ON \
  -DKESTO_BUILD_UI=OFF -DKESTO_BUILD_BENCH=OFF
cmake --build build-asan -j "$jobs"
ctest --test-dir build-asan --output-on-failure -j "$jobs"

# 3. The libFuzzer targets (clang): built, then each run for a short while from an empty corpus.
#    Longer runs: build-fuzz/fuzz/<target> -max_total_time=600
CC=clang CXX=clang++ cmake -S . -B build-fuzz -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo -DKESTO_WERROR=ON \
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

# 4. Release, the build a package is made from: built and tested, then packaged and checked.
cmake -S . -B build-release -G Ninja -DCMAKE_BUILD_TYPE=Release -DKESTO_WERROR=ON
cmake --build build-release -j "$jobs"
ctest --test-dir build-release --output-on-failure -j "$jobs"
bash tools/check-package.sh build-release
