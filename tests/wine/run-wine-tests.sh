#!/usr/bin/env bash
# Runs the Windows host program on the real DLLs under Wine, one check group
# at a time (a group is the name part before the first "_": frame, docking...).
# Builds nothing: expects build-win/tests/wine/npplug_host.exe and dist/*.dll
# (scripts/cross-build.sh makes both).
# Usage: tests/wine/run-wine-tests.sh [check-or-group...]   (default: every group)
# Exit code: 0 when every check passed, 1 on failures, 125 when Wine could not run.
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
repo=$(cd "$here/../.." && pwd)

host=$repo/build-win/tests/wine/npplug_host.exe
dist=$repo/dist
for f in "$host" "$dist/sigplug.dll" "$dist/dockplug.dll"; do
    [ -f "$f" ] || { echo "run-wine-tests: missing $f (run scripts/cross-build.sh first)" >&2; exit 2; }
done
[ -x "$here/wine-env.sh" ] || { echo "run-wine-tests: tests/wine/wine-env.sh is not there yet" >&2; exit 125; }

exec "$here/wine-env.sh" "$here/run-in-wine.sh" "$host" "$dist" "$@"
