#!/usr/bin/env bash
# Runs inside wine-env.sh; OUTDIR holds the .exe files and receives gui.png.
set -uo pipefail
out=$1
pass=0 fail=0
ok() { echo "PASS $1 (${2}s)"; pass=$((pass + 1)); }
ko() { echo "FAIL $1: $2"; fail=$((fail + 1)); }
now() { date +%s.%N; }
dt() { awk -v a="$1" -v b="$(now)" 'BEGIN{printf "%.1f", b-a}'; }

t=$(now)
o=$(wine "$out/hello.exe" 2>&1)
if [[ $o == *"hello from win32 (32-bit)"* ]]; then ok hello "$(dt "$t")"; else ko hello "$o"; fi

t=$(now)
SELFTEST_HOLD=3000 wine "$out/gui.exe" >/tmp/gui.out 2>&1 &
gui=$!
for _ in $(seq 120); do
  if xwininfo -root -tree 2>/dev/null | grep -q '"selftest"'; then
    sleep 1; xwd -root -silent | convert xwd:- "$out/gui.png"; break
  fi
  sleep 0.5
done
wait $gui
o=$(cat /tmp/gui.out)
echo "$o" | sed 's/^/  gui: /'
if [[ $o == *"gui ok"* ]]; then ok gui "$(dt "$t")"; else ko gui "see above"; fi

# DNS: a private resolver in a network namespace, as the plug-in tests use it.
t=$(now)
ns=wvselftest
ip netns add $ns
ip -n $ns link set lo up
mkdir -p /etc/netns/$ns
echo "nameserver 127.0.0.1" >/etc/netns/$ns/resolv.conf
ip netns exec $ns dnsmasq --keep-in-foreground --no-resolv --no-hosts \
  --listen-address=127.0.0.1 --bind-interfaces --user=root \
  --host-record=sig.selftest.test,127.0.0.42 --log-facility=/tmp/dnsmasq.log &
dns_pid=$!
sleep 1
o=$(ip netns exec $ns wine "$out/dns.exe" sig.selftest.test 2>&1)
if [[ $o == *"sig.selftest.test A 127.0.0.42"* ]]; then ok dns "$(dt "$t")"; else ko dns "$o"; fi
kill $dns_pid; wait $dns_pid 2>/dev/null
ip netns del $ns

echo "$pass passed, $fail failed"
[ $fail -eq 0 ]
