#!/usr/bin/env bash
# Inside the Wine environment: runs HOST once per check group and adds up.
# Usage: run-in-wine.sh HOST DIST [check-or-group...]
# A group whose runs need more around them (a DNS server, a network namespace)
# gets it from tests/wine/with-<group>.sh, called as: with-<group>.sh COMMAND...
set -uo pipefail
here=$(cd "$(dirname "$0")" && pwd)
host=$1 dist=$2
shift 2
per_run_timeout=${WINE_HOST_TIMEOUT:-600}

# Wine maps large PE images from the shared folder wrongly (the host crashes
# in its start-up code), so run copies from the guest's own disk.
work=$(mktemp -d /tmp/npplug-wine.XXXXXX)
trap 'rm -rf "$work"' EXIT
mkdir "$work/dist"
cp "$host" "$work/npplug_host.exe"
# DLLs the host loads from its own folder (loadcontrol.dll).
for helper in "$(dirname "$host")"/*.dll; do
    [ -e "$helper" ] && cp "$helper" "$work/"
done
cp "$dist"/*.dll "$work/dist/"
host=$work/npplug_host.exe

windows_path() { echo "Z:${1//\//\\}"; }
dist_win=$(windows_path "$work/dist")
# A crash must end the run, not wait in a debugger.
export WINEDLLOVERRIDES="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}winedbg.exe=d"

if [ $# -gt 0 ]; then
    groups=("$@")
else
    list=$(wine "$host" --list 2>/dev/null | tr -d '\r') || { echo "run-in-wine: --list failed" >&2; exit 125; }
    mapfile -t groups < <(sed -n 's/_.*//p; /^[^_]*$/p' <<<"$list" | awk 'NF && !seen[$0]++')
    [ ${#groups[@]} -gt 0 ] || { echo "run-in-wine: no checks registered" >&2; exit 1; }
fi

passed=0 failed=0 bad_runs=()
for group in "${groups[@]}"; do
    wrapper=()
    [ -x "$here/with-${group%%_*}.sh" ] && wrapper=("$here/with-${group%%_*}.sh")
    echo "==== wine: $group"
    output=$(timeout "$per_run_timeout" "${wrapper[@]}" wine "$host" "$dist_win" "$group" 2>&1)
    rc=$?
    output=$(tr -d '\r' <<<"$output")
    echo "$output"
    summary=$(grep -E '^[0-9]+ passed, [0-9]+ failed$' <<<"$output" | tail -1)
    if [ -n "$summary" ]; then
        passed=$((passed + $(cut -d' ' -f1 <<<"$summary")))
        failed=$((failed + $(cut -d' ' -f3 <<<"$summary")))
    fi
    if [ $rc -ne 0 ] || [ -z "$summary" ]; then
        [ -n "$summary" ] || echo "run-in-wine: $group ended without a summary (exit $rc; crash or timeout)"
        bad_runs+=("$group")
    fi
done

echo "==== wine total: $passed passed, $failed failed${bad_runs:+; failing runs: ${bad_runs[*]}}"
[ ${#bad_runs[@]} -eq 0 ]
