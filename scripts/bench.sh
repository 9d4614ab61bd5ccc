#!/usr/bin/env bash
# Builds the -m32 benchmarks in a Release tree without sanitizers and runs
# them one after another (the `bench` target).
set -euo pipefail
cd "$(dirname "$0")/.."
dir=build/bench
cmake -S . -B "$dir" -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake -DCMAKE_BUILD_TYPE=Release -DSANITIZE=OFF >/dev/null
cmake --build "$dir" -j2 --target bench
