#!/usr/bin/env bash
# What the follow timer costs in CPU under a Wine that runs on the real
# processor. This kind of machine cannot execute 32-bit x86 code, so the
# shipped DLLs only run in the emulated VM, where CPU figures mean little; a
# 64-bit build of dockplug.dll and of the test host (the same sources) runs
# here under the native 64-bit Wine instead. follow_cpu_time prints the CPU
# of 16 docked overlays at rest against the same windows undocked, with a bare
# 5 ms timer as the share Wine takes to deliver the ticks.
# Usage: scripts/bench-wine-cpu.sh [check-or-group...]   (default: follow_cpu_time)
# Installs wine64, the x86_64 mingw-w64 compiler and Xvfb when missing; the
# Wine prefix lives in build-win64/wineprefix (made once, about two minutes).
set -euo pipefail
cd "$(dirname "$0")/.."
root=$(pwd)
build=$root/build-win64
checks=("$@")
[ ${#checks[@]} -gt 0 ] || checks=(follow_cpu_time)

need=()
command -v x86_64-w64-mingw32-g++-posix >/dev/null || need+=(g++-mingw-w64-x86-64-posix)
[ -x /usr/lib/wine/wine64 ] || need+=(wine64)
command -v Xvfb >/dev/null || need+=(xvfb)
if [ ${#need[@]} -gt 0 ]; then
    apt-get update -qq
    DEBIAN_FRONTEND=noninteractive apt-get install -y --no-install-recommends "${need[@]}" >/dev/null
fi

[ -f "$build/CMakeCache.txt" ] ||
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-x86_64.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
cmake --build "$build" -j2 --target dockplug npplug_host >/dev/null

export WINEPREFIX=$build/wineprefix WINEARCH=win64 WINEDEBUG=-all
# A crash must end the run, not wait in a debugger.
export WINEDLLOVERRIDES="winedbg.exe=d"
wine=/usr/lib/wine/wine64
if [ ! -f "$WINEPREFIX/system.reg" ]; then
    "$wine" wineboot --init >/dev/null 2>&1
    /usr/lib/wine/wineserver64 -w  # the new prefix is written out before the first run
fi

work=$(mktemp -d)
xvfb_pid=
cleanup() {
    /usr/lib/wine/wineserver64 -k 2>/dev/null || true  # this prefix's server only
    [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
    rm -rf "$work"
}
trap cleanup EXIT
mkdir "$work/dist"
cp "$build/tests/wine/npplug_host.exe" "$work/"
cp "$build/dockplug/dockplug.dll" "$work/dist/"

Xvfb -displayfd 3 -screen 0 1280x1024x24 -nolisten tcp 3>"$work/display" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 50); do [ -s "$work/display" ] && break; sleep 0.1; done
export DISPLAY=":$(cat "$work/display")"

"$wine" "$work/npplug_host.exe" "Z:${work//\//\\}\\dist" "${checks[@]}" 2>&1 | tr -d '\r'
