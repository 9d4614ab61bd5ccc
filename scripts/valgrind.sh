#!/usr/bin/env bash
# valgrind memcheck of the native -m32 test suites, each run once: the last
# stage of test.sh, 6 to 12 minutes on the 2-core machine. This host cannot
# execute i386 code natively and valgrind does not work under qemu user mode,
# so the suites are built here without sanitizers and run inside the Wine VM
# guest (amd64 with i386 libraries), two at a time on its two vCPUs (a third
# faster than one at a time). valgrind and the libc debug symbols it needs are
# fetched here with apt-get download and installed in the guest for the run
# only, so the VM image stays as it is.
# A suite fails on a failed test, a memcheck error or a definitely or
# indirectly lost block; its logs are in build/valgrind/logs/.
# Usage: scripts/valgrind.sh [test-binary-name...]   (default: every suite)
# Env: VALGRIND_GTEST_FILTER  passed as --gtest_filter to every suite
#      VALGRIND_JOBS          suites run at once in the guest (default 2)
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build/valgrind

# One suite under memcheck; prints its result and returns nonzero on a finding.
run_suite() {
    local exe=$1 name log start rc=0 args=()
    name=$(basename "$exe")
    log=$build/logs/$name.log
    start=$(date +%s)
    [ -n "${VALGRIND_GTEST_FILTER:-}" ] && args+=("--gtest_filter=$VALGRIND_GTEST_FILTER")
    # nouserintercepts: allocation functions that a suite defines itself (to
    # count or refuse allocations) stay its own; only the C and C++ runtimes'
    # are replaced. The time limit (a suite takes a minute or two) names a
    # hung suite instead of letting it run into the VM's own limit.
    timeout -k 30 900 valgrind --tool=memcheck --error-exitcode=1 --leak-check=full \
        --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect --num-callers=30 \
        --soname-synonyms=somalloc=nouserintercepts --log-file="$log.vg" "$exe" "${args[@]}" >"$log" 2>&1 || rc=$?
    if [ "$rc" -eq 0 ]; then
        echo "valgrind $name: clean ($(( $(date +%s) - start )) s)"
    elif [ "$rc" -eq 124 ]; then
        echo "valgrind $name: TIMED OUT after $(( $(date +%s) - start )) s"
        tail -5 "$log"
        return 1
    else
        echo "valgrind $name: ERRORS ($(( $(date +%s) - start )) s)"
        grep -E 'ERROR SUMMARY|definitely lost|indirectly lost|Invalid|uninitialised|FAILED' "$log.vg" "$log" | head -20 || true
        return 1
    fi
}

if [ "${1:-}" = --in-guest ]; then
    shift
    export DEBIAN_FRONTEND=noninteractive
    # memcheck finds ld.so's strlen only through debug symbols of the very
    # same libc build; a VM image made before Debian's last libc update gets
    # the fetched version of libc for this run (the guest's disk is thrown away).
    want=$(dpkg-deb -f "$build"/debs/libc6-dbg_*_i386.deb Version)
    have=$(dpkg-query -W -f='${Version}' libc6:i386)
    if [ "$want" != "$have" ]; then
        echo "valgrind: the VM's libc $have replaced by $want for this run" >&2
        dpkg -i "$build"/debs/libc/*.deb >/dev/null
    fi
    if ! command -v valgrind >/dev/null; then
        dpkg -i "$build"/debs/*.deb >/dev/null 2>&1 || dpkg -i --force-depends "$build"/debs/*.deb >/dev/null
    fi
    export LD_LIBRARY_PATH=$build/lib
    # valgrind runs a program's threads one at a time, so one suite keeps one
    # vCPU busy. Each report is printed whole when its suite ends.
    declare -A running=()
    passed=0 failed=0 stage_start=$(date +%s)
    reap() {
        local pid=
        if wait -n -p pid "${!running[@]}"; then
            passed=$((passed + 1))
        else
            failed=$((failed + 1))
        fi
        cat "$build/logs/${running[$pid]}.result"
        unset "running[$pid]"
    }
    for exe in "$@"; do
        while [ ${#running[@]} -ge "${VALGRIND_JOBS:-2}" ]; do reap; done
        name=$(basename "$exe")
        run_suite "$exe" >"$build/logs/$name.result" 2>&1 &
        running[$!]=$name
    done
    while [ ${#running[@]} -gt 0 ]; do reap; done
    echo "valgrind: $(( $(date +%s) - stage_start )) s for $# suites"
    echo "valgrind: $passed passed, $failed failed"
    [ "$failed" -eq 0 ]
    exit
fi

# -O1: the MD5 suites hash 16 MiB texts, which at -O0 (a call per MD5 step)
# took 22 of the 34 minutes under memcheck. Only -O2 and up are known to give
# memcheck false uninitialised-value reports.
cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/linux-i686.cmake -DCMAKE_BUILD_TYPE=Debug \
    -DCMAKE_C_FLAGS_DEBUG="-g -O1" -DCMAKE_CXX_FLAGS_DEBUG="-g -O1" -DSANITIZE=OFF >/dev/null
cmake --build "$build" -j2 >/dev/null

mkdir -p "$build/debs/libc" "$build/lib" "$build/logs"
rm -f "$build"/logs/*
fetch() {  # DIR PACKAGE...
    local dir=$1
    shift
    (cd "$dir" && apt-get download "$@" >/dev/null 2>&1) ||
        { apt-get update -qq && (cd "$dir" && apt-get download "$@" >/dev/null); }
}
ls "$build"/debs/valgrind_*.deb >/dev/null 2>&1 || fetch "$build/debs" valgrind libc6-dbg libc6-dbg:i386
ls "$build"/debs/libc/libc6_*.deb >/dev/null 2>&1 || fetch "$build/debs/libc" libc6 libc6:i386
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
export WINE_ENV_PASS="${WINE_ENV_PASS:-} VALGRIND_GTEST_FILTER VALGRIND_JOBS"
exec tests/wine/wine-env.sh "$root/scripts/valgrind.sh" --in-guest "${suites[@]}"
