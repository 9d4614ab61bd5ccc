#!/bin/bash
# PID 1 of the Wine VM, exec'd from the control share by the image's
# /sbin/winevm-init; wine-env.sh copies it there for each boot.
# Modes (JOB_MODE in /run/winevm/job):
#   prepare  wineboot --init into the image (no -snapshot), power off
#   warm     start Xvfb + wineserver + Wine services, unmount every 9p share
#            (mounted 9p blocks migration), say WINEVM-WARM and wait on the
#            "ctl" port; the host saves the VM state then. A restored copy
#            reads "go EPOCH", remounts, and continues as "run".
#   run      mount the shares, run the job, leave its exit code in rc
export PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8
ctl=/run/winevm

if [ "${WINEVM_COPIED:-}" != 1 ]; then
  # bash reads its script lazily and the control share goes away in warm mode.
  mountpoint -q /tmp || mount -t tmpfs -o mode=1777 tmp /tmp
  cp "$0" /tmp/.winevm-init.sh
  WINEVM_COPIED=1 exec /bin/bash /tmp/.winevm-init.sh
fi

log() { echo "[winevm $(cut -d' ' -f1 /proc/uptime)s] $*" >/dev/console; }
since() { awk -v a="$1" '{printf "%.1f", $1-a}' /proc/uptime; }
uptime_s() { cut -d' ' -f1 /proc/uptime; }
finish() {
  echo "${1:-1}" >"$ctl/rc.tmp" && mv "$ctl/rc.tmp" "$ctl/rc"
  sync
  echo o >/proc/sysrq-trigger
  sleep 30
}
t0=$(uptime_s)

mount -o remount,rw / || finish 90
mkdir -p /dev/pts /dev/shm /run/netns
mountpoint -q /dev/pts || mount -t devpts -o gid=5,mode=620 devpts /dev/pts
mountpoint -q /dev/shm || mount -t tmpfs -o mode=1777 shm /dev/shm
hostname winevm
grep -q winevm /etc/hosts || echo "127.0.1.1 winevm" >>/etc/hosts
# `ip netns exec` bind-mounts /etc/netns/NAME/resolv.conf onto this file.
[ -e /etc/resolv.conf ] || : >/etc/resolv.conf
ip link set lo up

modprobe -q virtio_console
port() {  # the ports show up a moment after the module loads
  local d i
  for ((i = 0; i < 100; i++)); do
    for d in /sys/class/virtio-ports/*; do
      [ "$(cat "$d/name" 2>/dev/null)" = "$1" ] && [ -c "/dev/$(basename "$d")" ] && { echo "/dev/$(basename "$d")"; return; }
    done
    sleep 0.1
  done
  log "no virtio port $1"
  echo /dev/null
}
out=$(port out) err=$(port err)

# shellcheck source=/dev/null
. "$ctl/job"   # JOB_MODE, JOB_CWD, SHARES, JOB_ARGV, JOB_ENV

export WINEPREFIX=/root/.wine WINEDEBUG=-all WINEDLLOVERRIDES="mscoree,mshtml=" DISPLAY=:0
Xvfb :0 -screen 0 1280x1024x24 -nolisten tcp -ac >/tmp/xvfb.log 2>&1 &
for _ in $(seq 100); do [ -e /tmp/.X11-unix/X0 ] && break; sleep 0.1; done
log "X up after $(since "$t0")s of init"

if [ "$JOB_MODE" = prepare ]; then
  export WINEDEBUG=err+all,fixme-all
  s=$(uptime_s)
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    log "wineboot --init"
    wine wineboot --init >"$out" 2>"$err"
    log "wineboot rc=$? after $(since "$s")s"
    wineserver -w
  fi
  s=$(uptime_s)
  v=$(wine cmd /c ver 2>"$err")
  log "cmd /c ver: '${v//$'\r'/}' after $(since "$s")s"
  wineserver -k; wineserver -w
  sync
  [[ $v == *Windows* ]] && finish 0
  finish 1
fi

if [ "$JOB_MODE" = warm ]; then
  s=$(uptime_s)
  wineserver -p
  wine cmd /c ver >/dev/null 2>&1
  log "wine warm after $(since "$s")s: $(pgrep -c -f 'C:\\windows') wine processes"
  sync
  umount "$ctl" || finish 92
  log WINEVM-WARM
  read -r word epoch <"$(port ctl)"
  [ "$word" = go ] || { log "bad go line '$word'"; echo o >/proc/sysrq-trigger; sleep 30; }
  date -s "@$epoch" >/dev/null
  t0=$(uptime_s)
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 winevm_ctl "$ctl" || { log "no ctl"; echo o >/proc/sysrq-trigger; sleep 30; }
  # shellcheck source=/dev/null
  . "$ctl/job"
  out=$(port out) err=$(port err)
fi

i=0
for p in "${SHARES[@]}"; do
  mkdir -p "$p"
  mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144,access=client "winevm_s$i" "$p" || { log "mount $p failed"; finish 91; }
  i=$((i + 1))
done

for kv in "${JOB_ENV[@]}"; do export "${kv?}"; done
cd "$JOB_CWD" 2>/dev/null || cd /
log "job starts (out=$out err=$err) after $(since "$t0")s"
bash "${JOB_ARGV[@]}" >"$out" 2>"$err" </dev/null
rc=$?
wineserver -k 2>/dev/null
log "job rc=$rc"
finish $rc
