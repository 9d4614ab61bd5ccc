#!/usr/bin/env bash
# Some hosts (paravirtualised kernels) cannot run 32-bit x86 programs natively.
# There, hand i386 ELF files to qemu's user-mode emulator through binfmt_misc,
# so that the -m32 tests run as they would anywhere else.
set -euo pipefail

probe=$(mktemp -d)
trap 'rm -rf "$probe"' EXIT
printf 'int main(void){return 0;}\n' > "$probe/p.c"
gcc -m32 "$probe/p.c" -o "$probe/p" 2>/dev/null || { echo "no -m32 compiler yet" >&2; exit 1; }
"$probe/p" 2>/dev/null && exit 0

SUDO=""; [ "$(id -u)" -eq 0 ] || SUDO=sudo
if ! command -v qemu-i386-static >/dev/null; then
  $SUDO apt-get install -y -qq --no-install-recommends qemu-user-static >/dev/null
fi
[ -e /proc/sys/fs/binfmt_misc/register ] || $SUDO mount -t binfmt_misc binfmt_misc /proc/sys/fs/binfmt_misc
if [ ! -e /proc/sys/fs/binfmt_misc/qemu-i386 ]; then
  echo ':qemu-i386:M::\x7f\x45\x4c\x46\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00:\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff:/usr/bin/qemu-i386-static:OCF' \
    | $SUDO tee /proc/sys/fs/binfmt_misc/register >/dev/null
fi
"$probe/p" || { echo "32-bit programs still cannot run" >&2; exit 1; }
echo "32-bit programs run through qemu-i386-static"
