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
# Timings on the 2-core dev/CI machine are in tests/wine/README.md.
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

# Globals for one run: SHARES (host dirs, same path in the guest), ARGV.
qemu_cmd() {  # CTLDIR SNAPSHOT(0/1) -> QEMU array
  local ctl=$1 snap=$2 i=0 p
  QEMU=(qemu-system-x86_64 -nodefaults -machine q35,accel=tcg -cpu max,-smap -smp 2 -m 4G
    -display none -monitor none -no-reboot -nic none
    -kernel "$img/vmlinuz" -initrd "$img/initrd.img"
    -append "root=/dev/vda rw console=ttyS0 quiet loglevel=3 init=/sbin/winevm-init panic=-1 mitigations=off"
    -drive "file=$img/disk.img,format=raw,if=virtio,cache=unsafe"
    -virtfs "local,path=$ctl,mount_tag=winevm_ctl,security_model=none"
    -device virtio-serial-pci
    -chardev file,id=out,path=/proc/self/fd/1,append=on -device virtserialport,chardev=out,name=out
    -chardev file,id=err,path=/proc/self/fd/2,append=on -device virtserialport,chardev=err,name=err
    -serial "file:$ctl/console.log")
  for p in ${SHARES[@]+"${SHARES[@]}"}; do
    QEMU+=(-virtfs "local,path=$p,mount_tag=winevm_s$i,security_model=none")
    i=$((i + 1))
  done
  if [ "$snap" = 1 ]; then QEMU+=(-snapshot); fi
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

run_in_vm() {  # MODE SNAPSHOT CWD
  local ctl rc=0
  ctl=$(mktemp -d /tmp/winevm.XXXXXX)
  write_job "$ctl" "$1" "$3"
  qemu_cmd "$ctl" "$2"
  timeout -k 10 "${WINE_ENV_TIMEOUT:-3600}" "${QEMU[@]}" || rc=$?
  if [ -f "$ctl/rc" ]; then
    rc=$(cat "$ctl/rc")
    if [ "${WINE_ENV_CONSOLE:-0}" = 1 ]; then cat "$ctl/console.log" >&2; fi
  else
    note "VM ended without a result (qemu rc=$rc); console log:"
    tail -40 "$ctl/console.log" >&2 || true
    rc=125
  fi
  rm -rf "$ctl"
  return "$rc"
}

prepare() {
  [ -f "$img/ready" ] && return 0
  mkdir -p "$cache_root"
  exec 9>"$cache_root/.lock"
  flock 9
  [ -f "$img/ready" ] && { exec 9>&-; return 0; }
  ensure_tools
  local t0=$SECONDS
  if [ ! -f "$img.tmp/built" ]; then
      rm -rf "$img.tmp"
    bash "$here/vm/build-image.sh" "$img.tmp"
    note "image built in $((SECONDS - t0))s"
  fi
  note "initialising the Wine prefix"
  local t1=$SECONDS old_img=$img
  img=$img.tmp
  SHARES=() ARGV=(true)
  run_in_vm prepare 0 / >&2 || die "wineboot in the VM failed"
  img=$old_img
  note "prefix initialised in $((SECONDS - t1))s"
  mv "$img.tmp" "$img"
  touch "$img/ready"
  # Images of older build scripts are dead weight.
  find "$cache_root" -mindepth 1 -maxdepth 1 -type d ! -name "$key" -exec rm -rf {} +
  exec 9>&-
}

[ $# -ge 1 ] || die "usage: $0 --prepare | SCRIPT.sh [ARGS...]"
if [ "$1" = --prepare ]; then
  prepare
  exit 0
fi

script=$1; shift
[ -f "$script" ] || die "no such script: $script"
script=$(cd "$(dirname "$script")" && pwd)/$(basename "$script")
prepare

SHARES=("$repo")
case $script in "$repo"/*) ;; *) SHARES+=("$(dirname "$script")") ;; esac
IFS=: read -ra extra <<<"${WINE_ENV_SHARE:-}"
for d in "${extra[@]}"; do
  if [ -n "$d" ]; then SHARES+=("$(cd "$d" && pwd)"); fi
done
cwd=$repo
for d in "${SHARES[@]}"; do
  case $PWD/ in "$d"/*) cwd=$PWD ;; esac
done
ARGV=("$script" "$@")
rc=0
run_in_vm run 1 "$cwd" || rc=$?
exit "$rc"
