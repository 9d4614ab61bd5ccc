#!/usr/bin/env bash
# Checks what a browser sees of each plug-in DLL before running it: the export
# table (named after the file, ordinal base 1, exactly the three NPAPI entry
# points at ordinals 1-3), imports from system DLLs only, and exactly the two
# resources (version 1 and manifest 2, both in language 0x0409).
# Usage: check-dlls.sh DLL...
set -uo pipefail

objdump=${OBJDUMP:-i686-w64-mingw32-objdump}
allowed_imports="kernel32.dll user32.dll gdi32.dll dnsapi.dll ws2_32.dll msvcrt.dll"
expected_exports="1 NP_GetEntryPoints
2 NP_Initialize
3 NP_Shutdown"
# type/id/language of every resource, in directory order: RT_VERSION 1, RT_MANIFEST 2
expected_resources="0x000010/0x000001/0x000409
0x000018/0x000002/0x000409"

[ $# -gt 0 ] || { echo "usage: $0 DLL..." >&2; exit 2; }

failures=0
fail() { echo "  FAIL: $*"; failures=$((failures + 1)); }

check_one() {
    local dll=$1 dump
    echo "$dll"
    [ -f "$dll" ] || { fail "no such file"; return; }
    dump=$("$objdump" -p "$dll" 2>&1) || { fail "objdump failed: $dump"; return; }

    local file_name export_name base exports
    file_name=$(basename "$dll")
    export_name=$(awk '/^The Export Tables/ {on=1} on && /^Name[ \t]/ {print $3; exit}' <<<"$dump")
    base=$(awk '/^The Export Tables/ {on=1} on && /^Ordinal Base/ {print $3; exit}' <<<"$dump")
    # "[   0] NP_GetEntryPoints" lines hold index = ordinal - base
    exports=$(awk -v base="${base:-0}" '
        /^\[Ordinal\/Name Pointer\] Table/ {on=1; next}
        on && /^\t\[ *[0-9]+\]/ {gsub(/[\[\]]/, " "); print $1 + base, $2; next}
        on && !/^[ \t]*$/ {on=0}' <<<"$dump")

    [ "$export_name" = "$file_name" ] || fail "export table name '${export_name:-none}', expected '$file_name'"
    [ "$base" = "1" ] || fail "ordinal base '${base:-none}', expected 1"
    [ "$exports" = "$expected_exports" ] || fail "exports are:
$(sed 's/^/        /' <<<"${exports:-(none)}")"

    local imports bad=() dll_name
    imports=$(awk '/DLL Name:/ {print tolower($3)}' <<<"$dump")
    for dll_name in $imports; do
        [[ " $allowed_imports " == *" $dll_name "* ]] || bad+=("$dll_name")
    done
    [ ${#bad[@]} -eq 0 ] || fail "imports outside the system allow-list: ${bad[*]}"

    local resources
    resources=$(awk '
        /^The .rsrc Resource Directory/ {on=1; next}
        !on {next}
        # the indentation after the offset gives the level: type, name, language
        /Entry: ID:/ {
            match($0, /^[0-9a-f]+ +/); level = (RLENGTH - 4) / 2
            id=$4; sub(/,$/, "", id)
            if (level==1) type=id; else if (level==2) name=id; else print type "/" name "/" id
        }
        /Entry: Name:/ {print "named/entry/" $0}' <<<"$dump")
    [ "$resources" = "$expected_resources" ] || fail "resources (type/id/language) are:
$(sed 's/^/        /' <<<"${resources:-(none)}")"

    echo "  exports: $(awk '{printf "%s@%s ", $2, $1}' <<<"$exports")"
    echo "  imports: $(tr '\n' ' ' <<<"$imports")"
    echo "  resources: $(tr '\n' ' ' <<<"$resources")"
}

for dll in "$@"; do check_one "$dll"; done

if [ "$failures" -gt 0 ]; then
    echo "check-dlls: $failures problem(s)"
    exit 1
fi
echo "check-dlls: all $# DLL(s) OK"
