#!/usr/bin/env bash
# Builds the Debian 12 VM disk that tests/wine/wine-env.sh boots to run 32-bit
# Windows programs under Wine on hosts that cannot execute i386 code natively.
# Usage: build-image.sh OUTDIR   (OUTDIR gets disk.img, vmlinuz, initrd.img)
# Called by wine-env.sh --prepare; the Wine prefix is initialised later, in the VM.
set -euo pipefail

out=$1
mirror=${WINEVM_MIRROR:-http://deb.debian.org/debian}
secmirror=${WINEVM_SECURITY_MIRROR:-http://deb.debian.org/debian-security}
root=$out/rootfs
mkdir -p "$out"

cleanup() {
  for m in proc sys dev/pts dev; do
    mountpoint -q "$root/$m" 2>/dev/null && umount -l "$root/$m" || true
  done
}
trap cleanup EXIT

rm -rf "$root"
mkdir -p "$root/var/cache/apt/archives"
# Reusing the host's downloaded packages saves most of the download.
cp -l /var/cache/apt/archives/*.deb "$root/var/cache/apt/archives/" 2>/dev/null || true

echo "[winevm] debootstrap" >&2
debootstrap --variant=minbase --include=ca-certificates bookworm "$root" "$mirror" >"$out/debootstrap.log" 2>&1 ||
  { tail -30 "$out/debootstrap.log" >&2; exit 1; }

cat >"$root/etc/apt/sources.list" <<SRC
deb $mirror bookworm main
deb $mirror bookworm-updates main
deb $secmirror bookworm-security main
SRC
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
# A small initrd boots faster under software emulation.
mkdir -p "$root/etc/initramfs-tools/conf.d"
echo "MODULES=list" >"$root/etc/initramfs-tools/conf.d/winevm.conf"
printf '%s\n' virtio_pci virtio_blk ext4 >>"$root/etc/initramfs-tools/modules"
echo winevm >"$root/etc/hostname"

mount -t proc proc "$root/proc"
mount -t sysfs sys "$root/sys"
mount --bind /dev "$root/dev"
mount -t devpts devpts "$root/dev/pts"

echo "[winevm] apt install" >&2
chroot "$root" /bin/bash -euo pipefail -c '
  export DEBIAN_FRONTEND=noninteractive
  dpkg --add-architecture i386
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends \
    linux-image-amd64 kmod procps iproute2 dnsmasq-base \
    wine wine32:i386 xvfb x11-apps x11-utils imagemagick \
    xauth psmisc netbase less file
  apt-get clean
  rm -rf /var/lib/apt/lists/*
' >"$out/apt.log" 2>&1 || { tail -40 "$out/apt.log" >&2; exit 1; }
cleanup

# PID 1 only mounts the per-run control share and hands over to the init that
# wine-env.sh puts there, so guest logic can change without a rebuild.
cat >"$root/sbin/winevm-init" <<'INIT'
#!/bin/bash
export PATH=/usr/sbin:/usr/bin:/sbin:/bin
mountpoint -q /proc || mount -t proc proc /proc
mountpoint -q /sys || mount -t sysfs sys /sys
mountpoint -q /dev || mount -t devtmpfs dev /dev
modprobe -q 9pnet_virtio; modprobe -q 9p
mkdir -p /run/winevm
if mount -t 9p -o trans=virtio,version=9p2000.L,msize=262144 winevm_ctl /run/winevm; then
  exec /bin/bash /run/winevm/init.sh
fi
echo "winevm: no control share" >&2
echo o >/proc/sysrq-trigger
sleep 10
INIT
chmod 755 "$root/sbin/winevm-init"
rm -f "$root/usr/sbin/policy-rc.d"
cp "$root"/boot/vmlinuz-* "$out/vmlinuz"
cp "$root"/boot/initrd.img-* "$out/initrd.img"

echo "[winevm] mkfs" >&2
rm -f "$out/disk.img"
mkfs.ext4 -q -F -L winevm -d "$root" "$out/disk.img" 8G
rm -rf "$root"
touch "$out/built"
