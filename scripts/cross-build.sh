#!/usr/bin/env bash
# Cross-builds sigplug.dll and dockplug.dll (and the Windows test host) with
# mingw-w64 into build-win/, then copies the two DLLs to dist/.
set -euo pipefail
cd "$(dirname "$0")/.."

build=build-win
jobs=${JOBS:-2}

if [ -f "$build/CMakeCache.txt" ]; then
    cmake -S . -B "$build" >/dev/null  # the toolchain is fixed at the first configure
else
    cmake -S . -B "$build" -DCMAKE_TOOLCHAIN_FILE=cmake/mingw-i686.cmake -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
# The deliverables first, so a broken test host never holds back dist/.
cmake --build "$build" -j"$jobs" --target sigplug dockplug
mkdir -p dist
cp "$build/sigplug/sigplug.dll" "$build/dockplug/dockplug.dll" dist/
cmake --build "$build" -j"$jobs"
