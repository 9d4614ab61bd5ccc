#!/usr/bin/env bash
# valgrind memcheck of the native -m32 test suites. This host cannot execute
# i386 code natively and valgrind does not work under qemu user mode, so the
# suites are built here without sanitizers and run inside the Wine VM guest
# (amd64 with i386 libraries). valgrind and the libc debug symbols it needs
# are fetched here with apt-get download and installed in the guest for the
# run only, so the VM image stays as it is.
# A slower mode, not part of test.sh.
# Usage: scripts/valgrind.sh [test-binary-name...]   (default: every suite)
# Env: VALGRIND_GTEST_FILTER  passed as --gtest_filter to every suite
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build/valgrind

if [ "${1:-}" = --in-guest ]; then
    shift
    export DEBIAN_FRONTEND=noninteractive
    if ! command -v valgrind >/dev/null; then
        dpkg -i "$build"/debs/*.deb >/dev/null 2>&1 || dpkg -i --force-depends "$build"/debs/*.deb >/dev/null
    fi
    export LD_LIBRARY_PATH=$build/lib
    status=0 passed=0 failed=0
    for exe in "$@"; do
        name=$(basename "$exe")
        log=$build/logs/$name.log
        start=$(date +%s)
        args=()
        [ -n "${VALGRIND_GTEST_FILTER:-}" ] && args+=("--gtest_filter=$VALGRIND_GTEST_FILTER")
        # The suites start real threads (winsim Immediate mode) and fork nothing.
        if valgrind --tool=memcheck --error-exitcode=1 --leak-check=full --errors-for-leak-kinds=definite,indirect \
               --show-leak-kinds=definite,indirect --num-callers=30 --log-file="$log.vg" \
               "$exe" "${args[@]}" >"$log" 2>&1; then
            echo "valgrind $name: clean ($(( $(date +%s) - start )) s)"
            passed=$((passed + 1))
        else
            echo "valgrind $name: ERRORS ($(( $(date +%s) - start )) s)"
            grep -E 'ERROR SUMMARY|definitely lost|Invalid|uninitialised|FAILED' "$log.vg" "$log" | head -20 || true
            failed=$((failed + 1))
            status=1
        fi
    done
    echo "valgrind: $passed passed, $failed failed"
    exit $status
fi

cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake -DCMAKE_BUILD_TYPE=Debug -DSANITIZE=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

mkdir -p "$build/debs" "$build/lib" "$build/logs"
if ! ls "$build"/debs/valgrind_*.deb >/dev/null 2>&1; then
    (cd "$build/debs" && apt-get download valgrind libc6-dbg libc6-dbg:i386 >/dev/null 2>&1) ||
        { apt-get update -qq && (cd "$build/debs" && apt-get download valgrind libc6-dbg libc6-dbg:i386 >/dev/null); }
fi
# The guest has i386 libc (Wine's); the suites' other libraries come from here.
for lib in libstdc++.so.6 libgcc_s.so.1 libcrypto.so.3; do
    cp -L "/usr/lib/i386-linux-gnu/$lib" "$build/lib/"
done

if [ $# -gt 0 ]; then
    mapfile -t suites < <(for n in "$@"; do find "$build/tests" -type f -name "$n" -perm -u+x; done)
else
    mapfile -t suites < <(find "$build/tests" -type f -perm -u+x -name '*_test*' ! -name '*.cmake' | sort)
fi
[ ${#suites[@]} -gt 0 ] || { echo "valgrind: no test binaries found" >&2; exit 2; }
[ -n "${VALGRIND_GTEST_FILTER:-}" ] && export WINE_ENV_PASS="${WINE_ENV_PASS:-} VALGRIND_GTEST_FILTER"
exec tests/wine/wine-env.sh "$root/scripts/valgrind.sh" --in-guest "${suites[@]}"
