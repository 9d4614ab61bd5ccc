#!/usr/bin/env bash
# Self-test of the Wine environment: builds three tiny 32-bit programs with
# mingw and runs them through tests/wine/wine-env.sh (console, GUI, DNS).
# Usage: tests/wine/selftest/run.sh [OUTDIR]   (default build/wine-selftest)
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../../.." && pwd)
out=${1:-$repo/build/wine-selftest}
mkdir -p "$out"
out=$(cd "$out" && pwd)

cc=i686-w64-mingw32-gcc
$cc -O2 -static -Wall -o "$out/hello.exe" "$here/hello.c"
$cc -O2 -static -Wall -o "$out/gui.exe" "$here/gui.c" -lgdi32 -luser32
$cc -O2 -static -Wall -o "$out/dns.exe" "$here/dns.c" -ldnsapi

share=""
case $out/ in "$repo"/*) ;; *) share=$out ;; esac
WINE_ENV_SHARE=$share "$repo/tests/wine/wine-env.sh" "$here/in-env.sh" "$out"
