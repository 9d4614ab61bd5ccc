#!/usr/bin/env bash
# Runs a bash script where `wine` runs 32-bit Windows programs, even on hosts
# that cannot execute i386 code (it boots a small Debian VM under qemu TCG).
#
#   tests/wine/wine-env.sh --prepare          build/cache the VM image (once)
#   tests/wine/wine-env.sh SCRIPT.sh [ARGS]   run SCRIPT.sh in the environment
#
# Inside: root, WINEPREFIX initialised, WINEDEBUG=-all, DISPLAY=:0 (Xvfb
# 1280x1024x24), `ip netns` and dnsmasq, the repo at the same absolute path
# (read-write), cwd kept when it is inside a shared path. The disk is a
# throw-away snapshot per run. Exit code and stdout/stderr are the script's.
#
# Env: WINE_ENV_SHARE=dir1:dir2  extra host dirs to share (same paths)
#      WINE_ENV_PASS="VAR1 VAR2" extra variables to pass in (CI is always)
#      WINE_ENV_TIMEOUT=secs     whole-run limit (default 3600)
#      WINE_ENV_CACHE=dir        image cache (default /var/cache/npplugins-winevm)
#      WINE_ENV_CONSOLE=1        also print the VM's console log
# How it works and timings on the 2-core dev/CI machine: tests/wine/vm/README.md.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
repo=$(cd "$here/../.." && pwd)
cache_root=${WINE_ENV_CACHE:-/var/cache/npplugins-winevm}
key=$(cat "$here/vm/build-image.sh" | sha256sum | cut -c1-16)
img=$cache_root/$key

die() { echo "wine-env: $*" >&2; exit 125; }
note() { echo "wine-env: $*" >&2; }

[ "$(id -u)" -eq 0 ] || die "must run as root (debootstrap, image build)"

ensure_tools() {
  local need=()
  command -v qemu-system-x86_64 >/dev/null || need+=(qemu-system-x86)
  command -v debootstrap >/dev/null || need+=(debootstrap)
  command -v mkfs.ext4 >/dev/null || need+=(e2fsprogs)
  [ ${#need[@]} -eq 0 ] && return
  note "installing ${need[*]}"
  DEBIAN_FRONTEND=noninteractive apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
}

nslots=6  # 9p share slots; fixed so a saved VM state fits every run

# Globals for one run: SHARES (host dirs, same path in the guest), ARGV.
qemu_cmd() {  # CTLDIR DISK SNAPSHOT(0/1) [STATEFILE]
  local ctl=$1 disk=$2 snap=$3 state=${4:-} i p
  mkfifo "$ctl"/{ctl,mon,out,err}.{in,out}
  mkdir -p "$ctl/empty"
  QEMU=(qemu-system-x86_64 -nodefaults -machine q35,accel=tcg -cpu max,-smap -smp 2 -m 3G
    -display none -no-reboot -nic none
    -kernel "$img/vmlinuz" -initrd "$img/initrd.img"
    -append "root=/dev/vda rw console=ttyS0 quiet loglevel=3 init=/sbin/winevm-init panic=-1 mitigations=off"
    -drive "file=$disk,format=raw,if=virtio,cache=unsafe"
    -virtfs "local,path=$ctl,mount_tag=winevm_ctl,security_model=none"
    -device virtio-serial-pci
    -chardev "pipe,id=out,path=$ctl/out" -device virtserialport,chardev=out,name=out
    -chardev "pipe,id=err,path=$ctl/err" -device virtserialport,chardev=err,name=err
    -chardev "pipe,id=ctl,path=$ctl/ctl" -device virtserialport,chardev=ctl,name=ctl
    -chardev "pipe,id=mon,path=$ctl/mon" -mon chardev=mon,mode=readline
    -serial "file:$ctl/console.log")
  for ((i = 0; i < nslots; i++)); do
    p=${SHARES[i]:-$ctl/empty}
    QEMU+=(-virtfs "local,path=$p,mount_tag=winevm_s$i,security_model=none")
  done
  if [ "$snap" = 1 ]; then QEMU+=(-snapshot); fi
  if [ -n "$state" ]; then QEMU+=(-incoming "exec:cat $(printf %q "$state")"); fi
}

write_job() {  # CTLDIR MODE CWD
  local ctl=$1 mode=$2 cwd=$3 envs=() v
  for v in CI ${WINE_ENV_PASS:-}; do
    if [ -n "${!v+x}" ]; then envs+=("$v=${!v}"); fi
  done
  {
    echo "JOB_MODE=$mode"
    printf 'JOB_CWD=%q\n' "$cwd"
    printf 'SHARES=('; if [ ${#SHARES[@]} -gt 0 ]; then printf '%q ' "${SHARES[@]}"; fi; echo ')'
    printf 'JOB_ARGV=('; printf '%q ' "${ARGV[@]}"; echo ')'
    printf 'JOB_ENV=('; if [ ${#envs[@]} -gt 0 ]; then printf '%q ' "${envs[@]}"; fi; echo ')'
  } >"$ctl/job"
  cp "$here/vm/guest-init.sh" "$ctl/init.sh"
}

# run_in_vm MODE DISK SNAPSHOT CWD [STATEFILE]: boots (or restores) and waits.
run_in_vm() {
  local mode=$1 disk=$2 snap=$3 cwd=$4 state=${5:-} ctl rc=0 qpid mon relay
  ctl=$(mktemp -d /tmp/winevm.XXXXXX)
  write_job "$ctl" "$mode" "$cwd"
  qemu_cmd "$ctl" "$disk" "$snap" "$state"
  # Relayed through our own descriptors: qemu reopening them would get its own
  # file offset and be overwritten by whatever the caller writes next.
  cat "$ctl/out.out" &
  relay=$!
  cat "$ctl/err.out" >&2 &
  relay="$relay $!"
  cat "$ctl/mon.out" >"$ctl/mon.log" 2>/dev/null &
  mon=$!
  timeout -k 10 "${WINE_ENV_TIMEOUT:-3600}" "${QEMU[@]}" &
  qpid=$!
  if [ -n "$state" ]; then
    timeout 600 bash -c 'echo "go $(date +%s)" >"$1"' _ "$ctl/ctl.in" &
    relay="$relay $!"
  fi
  if [ "$mode" = warm ]; then park_and_save "$ctl" "$qpid"; fi
  wait "$qpid" || rc=$?
  drain "$mon" $relay
  if [ "$mode" = warm ]; then
    if ! grep -q "Migration status: completed" "$ctl/mon.log"; then
      tail -20 "$ctl/mon.log" >&2
      rc=1
    fi
  fi
  if [ -f "$ctl/rc" ]; then
    rc=$(cat "$ctl/rc")
    if [ "${WINE_ENV_CONSOLE:-0}" = 1 ]; then cat "$ctl/console.log" >&2; fi
  elif [ "$mode" = warm ]; then
    if [ "${WINE_ENV_CONSOLE:-0}" = 1 ] || [ "$rc" != 0 ]; then cat "$ctl/console.log" >&2; fi
  else
    note "VM ended without a result (qemu rc=$rc); console log:"
    tail -40 "$ctl/console.log" >&2 || true
    [ "$rc" = 0 ] && rc=125
  fi
  rm -rf "$ctl"
  return "$rc"
}

# Lets the relays finish what qemu left in the FIFOs; they hang in open() if
# qemu died before opening its end.
drain() {
  local p i
  for p in "$@"; do
    for ((i = 0; i < 20; i++)); do kill -0 "$p" 2>/dev/null || break; sleep 0.25; done
    kill "$p" 2>/dev/null || true
    wait "$p" 2>/dev/null || true
  done
}

# Waits for the warm guest to park, then has qemu stream its state to a file.
park_and_save() {
  local ctl=$1 qpid=$2 i
  for ((i = 0; i < 1800; i++)); do
    grep -q WINEVM-WARM "$ctl/console.log" 2>/dev/null && break
    kill -0 "$qpid" 2>/dev/null || return 0
    sleep 1
  done
  printf 'migrate "exec:cat > %s"\ninfo migrate\nquit\n' "$img/warm.state.tmp" >"$ctl/mon.in"
}

lock() { mkdir -p "$cache_root"; exec 9>"$cache_root/.lock"; flock 9; }
unlock() { exec 9>&-; }

prepare() {
  if [ ! -f "$img/ready" ]; then
    lock
    if [ ! -f "$img/ready" ]; then
      ensure_tools
      local t0=$SECONDS
      if [ ! -f "$img.tmp/built" ]; then
        note "building VM image in $img (takes several minutes)"
        rm -rf "$img.tmp"
        bash "$here/vm/build-image.sh" "$img.tmp"
        note "image built in $((SECONDS - t0))s"
      fi
      note "initialising the Wine prefix"
      local t1=$SECONDS old_img=$img
      img=$img.tmp
      SHARES=() ARGV=(true)
      run_in_vm prepare "$img/disk.img" 0 / >&2 || die "wineboot in the VM failed"
      img=$old_img
      note "prefix initialised in $((SECONDS - t1))s"
      mv "$img.tmp" "$img"
      touch "$img/ready"
      # Images of older build scripts are dead weight.
      find "$cache_root" -mindepth 1 -maxdepth 1 -type d ! -name "$key" -exec rm -rf {} +
    fi
    unlock
  fi
  warm_up
}

qemu_id() { qemu-system-x86_64 --version | head -1; cat "$here/vm/guest-init.sh" "$here/wine-env.sh" | sha256sum | cut -c1-16; }

# A saved VM state with Wine already running saves the boot and Wine start-up
# of every run; it is tied to this qemu build and guest init.
warm_up() {
  [ "${WINE_ENV_COLD:-0}" = 1 ] && return 0
  [ -f "$img/warm.state" ] && [ "$(cat "$img/warm.id" 2>/dev/null)" = "$(qemu_id)" ] && return 0
  lock
  if ! { [ -f "$img/warm.state" ] && [ "$(cat "$img/warm.id" 2>/dev/null)" = "$(qemu_id)" ]; }; then
    local t0=$SECONDS
    note "saving a warm VM state"
    # New inodes, so that runs already using the old pair are left alone.
    rm -f "$img/warm.id" "$img/warm.state.tmp" "$img/warm.img.tmp"
    cp --sparse=always "$img/disk.img" "$img/warm.img.tmp"
    SHARES=() ARGV=(-c true)
    if run_in_vm warm "$img/warm.img.tmp" 0 / >&2 && [ -s "$img/warm.state.tmp" ]; then
      mv "$img/warm.img.tmp" "$img/warm.img"
      mv "$img/warm.state.tmp" "$img/warm.state"
      note "warm state saved in $((SECONDS - t0))s ($(du -h "$img/warm.state" | cut -f1))"
      if WINE_ENV_TIMEOUT=300 run_in_vm run "$img/warm.img" 1 / "$img/warm.state" >&2; then
        qemu_id >"$img/warm.id"
      else
        note "restoring the warm state failed; runs will boot cold"
        rm -f "$img/warm.state"
      fi
    else
      note "could not save a warm state; runs will boot cold"
      rm -f "$img/warm.state.tmp" "$img/warm.img.tmp"
    fi
  fi
  unlock
}

main() {
  [ $# -ge 1 ] || die "usage: $0 --prepare | SCRIPT.sh [ARGS...]"
  if [ "$1" = --prepare ]; then
    prepare
    return 0
  fi

  local script=$1 extra d cwd rc=0
  shift
  [ -f "$script" ] || die "no such script: $script"
  script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")
  prepare

  SHARES=("$repo")
  case $script in "$repo"/*) ;; *) SHARES+=("$(dirname "$script")") ;; esac
  IFS=: read -ra extra <<<"${WINE_ENV_SHARE:-}"
  for d in ${extra[@]+"${extra[@]}"}; do
    if [ -n "$d" ]; then SHARES+=("$(cd "$d" && pwd)"); fi
  done
  cwd=$repo
  for d in "${SHARES[@]}"; do
    case $PWD/ in "$d"/*) cwd=$PWD ;; esac
  done
  ARGV=("$script" "$@")
  [ ${#SHARES[@]} -le $nslots ] || die "at most $nslots shared directories"
  if [ -f "$img/warm.state" ] && [ -f "$img/warm.id" ] && [ "${WINE_ENV_COLD:-0}" != 1 ]; then
    run_in_vm run "$img/warm.img" 1 "$cwd" "$img/warm.state" || rc=$?
  else
    run_in_vm run "$img/disk.img" 1 "$cwd" || rc=$?
  fi
  return "$rc"
}

# Everything above is only definitions, so editing this file cannot derail a
# run that has already started.
main "$@"; exit
