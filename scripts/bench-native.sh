#!/usr/bin/env bash
# Real-hardware figures. Where the kernel cannot run 32-bit code the -m32
# benchmarks run emulated; the ones that need no 32-bit NPAPI types are built
# here for the machine itself (x86_64), with the Release flags.
set -euo pipefail
cd "$(dirname "$0")/.."
out=build/bench-native
mkdir -p "$out"
flags=(-std=c++17 -O3 -DNDEBUG -Isigplug)
g++ "${flags[@]}" bench/md5_bench.cpp sigplug/md5.cpp -lbenchmark -lcrypto -lpthread -o "$out/md5_bench"
g++ "${flags[@]}" bench/text_digest_bench.cpp sigplug/md5.cpp -lbenchmark -lpthread -o "$out/text_digest_bench"
for bench in md5_bench text_digest_bench; do
  "$out/$bench" --benchmark_repetitions=5 --benchmark_enable_random_interleaving=true --benchmark_report_aggregates_only=true
done
