#!/usr/bin/env bash
# Checks what the demo browser printed (a file, or stdin) against values
# computed here: the signatures from md5sum, the overlay's place from the
# frame and content rectangles printed before it, the parking spot.
# Usage: check-output.sh OUTPUT TEXT   (TEXT: the one given on the demo's command line)
set -euo pipefail
output=$1 text=$2
fail=0
bad() { echo "demo check: $*"; fail=1; }

md5() { printf '%s' "$1" | md5sum | cut -c1-32; }
name_digest=$(md5 npplug_demo.exe | tr a-f A-F)
for t in "Hello from the demo page" "$text"; do
    want="signature(\"$t\") = $(md5 "$t$name_digest")"
    grep -qxF "  $want" "$output" || bad "no line '$want'"
done

# Every overlay line after a frame and content line must sit where the follow
# pass puts it: x = frame.x + margin, y = content.y, width = frame.width -
# 2 margin, height = content.height - margin, margin the smaller side inset.
placements=$(awk '
    function box(line, b) { gsub(/[(),]/, " ", line); split(line, f, " "); b["x"] = f[3]; b["y"] = f[4]; b["w"] = f[6]; b["h"] = f[8] }
    /^  frame   at / { box($0, fr); have = 1; next }
    /^  content at / { box($0, co); next }
    /^  overlay at / && have && !/not docked|parked/ {
        m = co["x"] - fr["x"]; r = (fr["x"] + fr["w"]) - (co["x"] + co["w"]); if (r < m) m = r
        want = sprintf("  overlay at (%d, %d) size %d x %d", fr["x"] + m, co["y"], fr["w"] - 2 * m, co["h"] - m)
        if (index($0, want) != 1) { print "BAD " $0 " (wanted" substr(want, 10) ")" } else { n++ }
    }
    END { print "PLACED " n + 0 }' "$output")
while read -r line; do
    case $line in BAD\ *) bad "${line#BAD }" ;; esac
done <<<"$placements"
placed=$(sed -n 's/^PLACED //p' <<<"$placements")
[ "$placed" -ge 6 ] || bad "only $placed overlay placements over the content area (wanted 6)"

grep -qxF "attachWndToMainFrame(page, frame) = true" "$output" || bad "the overlay was not docked"
grep -qF "  overlay at (30000, 30000) size 1 x 1  (parked off-screen)" "$output" || bad "the overlay was not parked"
grep -qE '^  overlay region: rows -1 to 60, ' "$output" || bad "no 60-pixel top band"
grep -qE '^  overlay region: rows [0-9]+ to [0-9]+, ' "$output" || bad "no bottom band"
grep -qxF "Demo finished: both plug-ins did their work" "$output" || bad "the demo did not finish cleanly"
[ $fail -eq 0 ] && echo "demo check: signatures, $placed overlay placements, parking and bands as expected"
exit $fail
