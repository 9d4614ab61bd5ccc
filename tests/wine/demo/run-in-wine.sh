#!/usr/bin/env bash
# Inside the Wine environment: runs the demo browser on the DLLs in DIST.
# Usage: run-in-wine.sh DEMO_EXE DIST PICTURE_DIR|--headless [TEXT...]
# With a picture folder, every screen picture becomes a PNG there and the
# last one is also saved as demo.png.
set -euo pipefail
exe=$1 dist=$2 pictures=$3
shift 3

windows_path() { echo "Z:${1//\//\\}"; }

args=()
if [ "$pictures" = --headless ]; then
    args+=(--headless)
else
    mkdir -p "$pictures"
    rm -f "$pictures"/demo-*.bmp
    args+=(--pictures "$(windows_path "$pictures")")
fi
rc=0
wine "$exe" "${args[@]}" "$(windows_path "$dist")" "$@" 2>/dev/null | sed -u 's/\r$//' || rc=$?

if [ "$pictures" != --headless ]; then
    last=
    for bmp in "$pictures"/demo-*.bmp; do
        [ -f "$bmp" ] || continue
        convert "$bmp" "${bmp%.bmp}.png" && rm -f "$bmp"
        last=${bmp%.bmp}.png
    done
    [ -n "$last" ] && cp "$last" "$pictures/demo.png"
fi
exit "$rc"
