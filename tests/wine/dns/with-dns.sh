#!/usr/bin/env bash
# Runs COMMAND in a network namespace of its own whose resolver is either our
# dnsmasq serving dns/npplug.conf ("answering") or an address where queries
# vanish without an answer ("silent"). Starts and stops only its own netns and
# dnsmasq. Needs root, iproute2 and dnsmasq (the Wine VM has them).
# Usage: with-dns.sh answering|silent COMMAND [ARGS...]
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
mode=$1
shift

ns=npplug-dns-$$
dnsmasq_pid=
work=$(mktemp -d /tmp/npplug-dns.XXXXXX)

cleanup() {
    if [ -n "$dnsmasq_pid" ]; then
        kill "$dnsmasq_pid" 2>/dev/null || true
        wait "$dnsmasq_pid" 2>/dev/null || true
    fi
    ip netns del "$ns" 2>/dev/null || true
    rm -rf "/etc/netns/$ns" "$work"
}
trap cleanup EXIT

ip netns add "$ns"
ip -n "$ns" link set lo up
mkdir -p "/etc/netns/$ns"

case $mode in
answering)
    printf 'nameserver 127.0.0.1\noptions timeout:2 attempts:2\n' >"/etc/netns/$ns/resolv.conf"
    ip netns exec "$ns" dnsmasq --keep-in-foreground --conf-file="$here/npplug.conf" --pid-file= \
        --user=root --group=root --log-facility="$work/dnsmasq.log" &
    dnsmasq_pid=$!
    for _ in $(seq 100); do
        ip netns exec "$ns" ss -Hlun 'sport = :53' | grep -q 127.0.0.1 && break
        kill -0 "$dnsmasq_pid" 2>/dev/null || { echo "with-dns: dnsmasq did not start" >&2; cat "$work/dnsmasq.log" >&2; exit 125; }
        sleep 0.1
    done
    ;;
silent)
    # Queries leave through an interface that drops every packet: no answer
    # and no error, so each lookup runs into the resolver's time-out. A dummy
    # link where the kernel has one, else a bridge without ports (the
    # permanent neighbour entry spares the ARP failure that would end the wait).
    if ip -n "$ns" link add silent0 type dummy 2>/dev/null; then
        ip -n "$ns" addr add 10.99.0.1/24 dev silent0
        ip -n "$ns" link set silent0 up
    else
        ip -n "$ns" link add silent0 type bridge
        ip -n "$ns" addr add 10.99.0.1/24 dev silent0
        ip -n "$ns" link set silent0 up
        ip -n "$ns" neigh add 10.99.0.2 lladdr 02:00:00:00:99:02 dev silent0 nud permanent
    fi
    printf 'nameserver 10.99.0.2\noptions timeout:30 attempts:2\n' >"/etc/netns/$ns/resolv.conf"
    ;;
*)
    echo "usage: with-dns.sh answering|silent COMMAND [ARGS...]" >&2
    exit 2
    ;;
esac

rc=0
ip netns exec "$ns" "$@" || rc=$?
exit "$rc"
