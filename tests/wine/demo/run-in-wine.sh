#!/usr/bin/env bash
# Inside the Wine environment: runs the demo browser on the DLLs in DIST.
# Usage: run-in-wine.sh DEMO_EXE DIST PICTURE_DIR|--headless [TEXT...]
# With a picture folder, every screen picture becomes a PNG there and the
# last one is also saved as demo.png.
set -euo pipefail
exe=$1 dist=$2 pictures=$3
shift 3

# Wine maps large PE images from the shared folder wrongly, so the demo and
# the DLLs run as copies on the guest's own disk; pictures are made there too.
work=$(mktemp -d /tmp/npplug-demo.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/plugins" "$work/pictures"
cp "$exe" "$work/npplug_demo.exe"
cp "$dist"/*.dll "$work/plugins/"
# A crash must end the run, not wait in a debugger.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winedbg.exe=d"

# No window manager runs on the X screen: let Wine draw captions and borders.
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Decorated /d N /f >/dev/null 2>&1 || true

windows_path() { echo "Z:${1//\//\\}"; }

args=(--headless)
[ "$pictures" = --headless ] || args=(--pictures "$(windows_path "$work/pictures")")
rc=0
timeout "${DEMO_TIMEOUT:-1200}" wine "$work/npplug_demo.exe" "${args[@]}" "$(windows_path "$work/plugins")" "$@" \
    2>/dev/null | sed -u 's/\r$//' || rc=$?

if [ "$pictures" != --headless ]; then
    mkdir -p "$pictures"
    last=
    for bmp in "$work"/pictures/demo-*.bmp; do
        [ -f "$bmp" ] || continue
        png=$(basename "${bmp%.bmp}").png
        # The lower part of the screen stays empty.
        convert "$bmp" -crop 1280x800+0+0 +repage "$pictures/$png"
        last=$png
    done
    if [ -n "$last" ]; then
        cp "$pictures/$last" "$pictures/demo.png"
        echo "pictures in $pictures: $(cd "$pictures" && ls demo*.png | tr "\n" " ")"
    else
        echo "no pictures were taken"
    fi
fi
exit "$rc"
