#!/usr/bin/env bash
# Installs what the builds and tests need on Debian 12; skips what is already there.
set -euo pipefail

packages=(
  cmake make g++ g++-multilib
  libgtest-dev:i386 libgmock-dev:i386 libbenchmark-dev:i386 libssl-dev:i386
  g++-mingw-w64-i686 binutils-mingw-w64-i686 mingw-w64-i686-dev
  wine wine32:i386 xvfb x11-apps imagemagick
  dnsmasq-base iproute2
  clang libclang-rt-14-dev valgrind qemu-user-static qemu-system-x86 debootstrap
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed" || missing+=("$p")
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "installing: ${missing[*]}"
SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
dpkg --print-foreign-architectures | grep -qx i386 || $SUDO dpkg --add-architecture i386
export DEBIAN_FRONTEND=noninteractive
$SUDO apt-get update -qq
$SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
