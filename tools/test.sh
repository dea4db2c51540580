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
