#!/usr/bin/env bash
# Runs the demo browser on dist/sigplug.dll and dist/dockplug.dll under Wine
# (in the Wine VM with Xvfb) and saves screen pictures as dist/demo-*.png and
# dist/demo.png. Expects scripts/cross-build.sh to have run.
# Usage: scripts/demo.sh [--headless] [TEXT...]   (--headless: no pictures)
set -euo pipefail
cd "$(dirname "$0")/.."
repo=$(pwd)
exe=$repo/build-win/tests/wine/demo/npplug_demo.exe
for f in "$exe" dist/sigplug.dll dist/dockplug.dll; do
    [ -f "$f" ] || { echo "demo: missing $f (run ./build.sh)" >&2; exit 2; }
done
pictures=$repo/dist
if [ "${1:-}" = --headless ]; then
    pictures=--headless
    shift
fi
exec tests/wine/wine-env.sh tests/wine/demo/run-in-wine.sh "$exe" "$repo/dist" "$pictures" "$@"
