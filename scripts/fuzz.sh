#!/usr/bin/env bash
# Builds the libFuzzer targets (clang -m32, ASan + UBSan + libFuzzer) and runs
# each for a bounded time from its seed corpus in fuzz/corpus/<target>.
# Fails on any finding (crash, sanitizer report, ledger violation).
# Usage: scripts/fuzz.sh [seconds-per-target] [target...]
# FUZZ_SEED=N fixes the seed, so a run makes the same inputs in the same order
# (test.sh: a minute per target with seed 1). FUZZ_RUNS=N runs N inputs per
# target instead of a time bound.
# Longer runs: scripts/fuzz.sh 3600, or run build-fuzz/fuzz/<target>_fuzzer
# by hand with -detect_leaks=0 (LeakSanitizer hangs under qemu user mode).
set -euo pipefail
cd "$(dirname "$0")/.."
seconds=${1:-60}
shift || true
targets=("$@")
[ ${#targets[@]} -gt 0 ] || targets=(dockplug sigplug)
build=$(realpath -m "${FUZZ_BUILD_DIR:-build/fuzz}")

cmake --no-warn-unused-cli -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=fuzz/clang-i686.cmake -DFUZZ=ON \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$build" -j2 --target $(printf '%s_fuzzer ' "${targets[@]}") >/dev/null

# A small quarantine keeps a 32-bit process under qemu within its address space.
export ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:allocator_may_return_null=1:quarantine_size_mb=32:malloc_context_size=10
export UBSAN_OPTIONS=halt_on_error=1:print_stacktrace=1
status=0
for t in "${targets[@]}"; do
  work=$(mktemp -d)
  cp fuzz/corpus/"$t"/* "$work"/
  log="$build/fuzz/$t.log"
  # New corpus entries go to a scratch copy; the seeds in the repo stay as they are.
  if [ -n "${FUZZ_RUNS:-}" ]; then bound=(-runs="$FUZZ_RUNS"); what="$FUZZ_RUNS runs"; else bound=(-max_total_time="$seconds"); what="${seconds}s"; fi
  [ -n "${FUZZ_SEED:-}" ] && bound+=(-seed="$FUZZ_SEED")
  # Under qemu user mode an i386 process's threads share one descriptor table:
  # a signal taken after another thread started can leave the main thread with
  # that thread's TLS, so its identity (and ASan's view of its stack) changes
  # mid-run. Hence no per-input timer signal and no RSS-watching thread; the
  # outer timeout catches a hang instead.
  if (cd "$build/fuzz" && timeout "$(( ${FUZZ_RUNS:+600} + seconds * 2 + 300 ))" ./"$t"_fuzzer "${bound[@]}" \
        -detect_leaks=0 -max_len=2048 -timeout=0 -rss_limit_mb=0 -print_final_stats=1 "$work" >"$log" 2>&1); then
    runs=$(grep -o 'stat::number_of_executed_units: *[0-9]*' "$log" | grep -o '[0-9]*$' || echo '?')
    echo "fuzz $t: ${runs} executions (${what}), no finding"
  else
    echo "fuzz $t: FINDING (see $log)"
    grep -E 'FINDING|ERROR|runtime error|SUMMARY' "$log" | head -10 || true
    status=1
  fi
  rm -rf "$work"
done
exit $status
