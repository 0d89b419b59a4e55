#!/usr/bin/env bash
# Installs every Debian package the build and the tests need. Idempotent and non-interactive:
# a fresh machine (or CI, which has no standard input) needs nothing done by hand.
set -euo pipefail

packages=(
  cmake make ninja-build
  mingw-w64 g++-mingw-w64-i686 g++-mingw-w64-x86-64
  wine wine64 wine32:i386 qemu-user-static
  xvfb xauth x11-utils imagemagick icoutils fonts-wine
  wixl zip unzip osslsigncode openssl
  googletest
  clang libclang-rt-14-dev
  python3 python3-samba libxml2-utils
)

missing=()
for p in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q 'install ok installed' || missing+=("$p")
done
SUDO=""
[ "$(id -u)" -eq 0 ] || SUDO="sudo"

if [ ${#missing[@]} -gt 0 ]; then
  export DEBIAN_FRONTEND=noninteractive
  if ! dpkg --print-foreign-architectures | grep -qx i386; then
    $SUDO dpkg --add-architecture i386
  fi
  $SUDO apt-get update -qq
  $SUDO apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

# Wine runs 32-bit Windows programs through its 32-bit Linux loader. Some hosts (virtual
# machines whose kernel has IA-32 emulation switched off) cannot execute 32-bit Linux code;
# there the loader runs under qemu's user-mode emulator, registered with binfmt_misc.
if ! /lib/ld-linux.so.2 --version >/dev/null 2>&1; then
  binfmt=/proc/sys/fs/binfmt_misc
  [ -f "$binfmt/register" ] || $SUDO mount -t binfmt_misc binfmt_misc "$binfmt" || true
  if [ -f "$binfmt/register" ] && [ ! -f "$binfmt/qemu-i386" ]; then
    magic='\x7fELF\x01\x01\x01\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x03\x00'
    mask='\xff\xff\xff\xff\xff\xfe\xfe\x00\xff\xff\xff\xff\xff\xff\xff\xff\xfe\xff\xff\xff'
    echo ":qemu-i386:M::$magic:$mask:/usr/bin/qemu-i386-static:F" | $SUDO tee "$binfmt/register" >/dev/null
  fi
  /lib/ld-linux.so.2 --version >/dev/null 2>&1 ||
    echo "setup: this host cannot run 32-bit code; the 32-bit checks will be skipped" >&2
fi
