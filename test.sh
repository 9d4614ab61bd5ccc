#!/usr/bin/env bash
# Runs every test: native -m32 suites under ASan/UBSan, the cross-built DLLs'
# export and import checks, the Wine host and the demo on the real DLLs, the
# fuzzers with a fixed seed, and the native suites once more under valgrind.
# Installs what is missing first; reruns skip what is already there.
set -euo pipefail
cd "$(dirname "$0")"

step() { printf '\n==== %s ====\n' "$*"; }

step "dependencies"
./scripts/install-deps.sh
./scripts/enable-i386-exec.sh

step "native build (-m32, ASan + UBSan)"
cmake -S . -B build/native -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake -DCMAKE_BUILD_TYPE=Debug >/dev/null
cmake --build build/native -j"$(nproc)"

step "cross build of the DLLs"
./scripts/cross-build.sh
./scripts/check-dlls.sh dist/sigplug.dll dist/dockplug.dll

step "Wine host on the real DLLs"
tests/wine/run-wine-tests.sh

step "demo browser on the real DLLs (no pictures)"
demo_text="checked by test.sh"
demo_log=$(mktemp)
demo_rc=0
scripts/demo.sh --headless "$demo_text" | tee "$demo_log" || demo_rc=$?
tests/wine/demo/check-output.sh "$demo_log" "$demo_text" || demo_rc=1
rm -f "$demo_log"
[ "$demo_rc" -eq 0 ]

step "fuzzing (libFuzzer, a minute per target, fixed seed, clang -m32 with ASan + UBSan)"
# The same inputs in the same order every run; scripts/fuzz.sh SECONDS explores for longer.
FUZZ_SEED=${FUZZ_SEED:-1} ./scripts/fuzz.sh "${FUZZ_SECONDS:-60}"

step "native test suites"
(cd build/native && ctest --output-on-failure -j2)

step "native test suites under valgrind memcheck (in the Wine VM)"
./scripts/valgrind.sh
