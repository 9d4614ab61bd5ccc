#!/bin/bash
# Runs as PID 1 in the Wine VM (exec'd from the control share by the image's
# /sbin/winevm-init). Reads /run/winevm/job, runs it, leaves the exit code in
# /run/winevm/rc, powers off. Written by wine-env.sh for each run.
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
ctl=/run/winevm
t0=$(cut -d' ' -f1 /proc/uptime)
log() { echo "[winevm $(cut -d' ' -f1 /proc/uptime)s] $*" >/dev/console; }

finish() {
  echo "${1:-1}" >"$ctl/rc.tmp" && mv "$ctl/rc.tmp" "$ctl/rc"
  sync
  echo o >/proc/sysrq-trigger
  sleep 30
}

mount -o remount,rw / || finish 90
mkdir -p /dev/pts /dev/shm /tmp /run/netns
mountpoint -q /dev/pts || mount -t devpts -o gid=5,mode=620 devpts /dev/pts
mountpoint -q /dev/shm || mount -t tmpfs -o mode=1777 shm /dev/shm
mount -t tmpfs -o mode=1777 tmp /tmp
hostname winevm
grep -q winevm /etc/hosts || echo "127.0.1.1 winevm" >>/etc/hosts
[ -e /etc/resolv.conf ] || : >/etc/resolv.conf
ip link set lo up

# shellcheck source=/dev/null
. "$ctl/job"   # sets SHARES (path array), JOB_CWD, JOB_ARGV, JOB_ENV, JOB_MODE

i=0
for p in "${SHARES[@]}"; do
  mkdir -p "$p"
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,access=client "winevm_s$i" "$p" || { log "mount $p failed"; finish 91; }
  i=$((i + 1))
done

# Output travels over virtio-serial ports straight to the caller's stdout/stderr.
out=/dev/null err=/dev/null
modprobe -q virtio_console
for d in /sys/class/virtio-ports/*; do
  [ -e "$d/name" ] || continue
  case $(cat "$d/name") in
    out) out=/dev/$(basename "$d") ;;
    err) err=/dev/$(basename "$d") ;;
  esac
done

export WINEPREFIX=/root/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=:0
Xvfb :0 -screen 0 1280x1024x24 -nolisten tcp -ac >/tmp/xvfb.log 2>&1 &
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X0 ] && break; sleep 0.1; done
log "ready after $(awk -v a="$t0" '{print $1-a}' /proc/uptime)s of init"

if [ "$JOB_MODE" = prepare ]; then
  # Runs at image build without -snapshot, so the prefix stays in the image.
  export WINEDEBUG=err+all,fixme-all
  s=$(cut -d' ' -f1 /proc/uptime)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "wineboot --init"
    wine wineboot --init >"$out" 2>"$err"
    log "wineboot rc=$? after $(awk -v a="$s" '{print $1-a}' /proc/uptime)s"
    wineserver -w
    log "wineserver gone after $(awk -v a="$s" '{print $1-a}' /proc/uptime)s"
  fi
  s=$(cut -d' ' -f1 /proc/uptime)
  v=$(wine cmd /c ver 2>"$err")
  log "cmd /c ver: '${v//$'\r'/}' after $(awk -v a="$s" '{print $1-a}' /proc/uptime)s"
  wineserver -k; wineserver -w
  sync
  [[ $v == *Windows* ]] && finish 0
  finish 1
fi

for kv in "${JOB_ENV[@]}"; do export "$kv"; done
cd "$JOB_CWD" 2>/dev/null || cd /
bash "${JOB_ARGV[@]}" >"$out" 2>"$err" </dev/null
rc=$?
wineserver -k 2>/dev/null
log "job rc=$rc"
finish $rc
