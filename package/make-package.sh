#!/usr/bin/env bash
# Makes the release files of one build into OUT:
#   make-package.sh [--sign] OUT VERSION SOURCE_DIR MORVEX_EXE [MORVEX_CTL_EXE]
# OUT/Morvex.msi, OUT/Morvex-VERSION-portable.zip and OUT/SHA256SUMS (of those two); the
# zip holds the programs, lang/, PolicyDefinitions/ (the administrative templates), README.txt
# and a SHA256SUMS of its own files. OUT/portable/
# keeps the files as they went into both packages.
#
# --sign signs both exes (before they go into the packages) and the msi with osslsigncode,
# SHA-256, using MORVEX_SIGN_PFX, MORVEX_SIGN_PASSWORD (optional) and
# MORVEX_SIGN_TIMESTAMP_URL (optional, an RFC 3161 time-stamp server).
#
# The zip's bytes depend only on its files: the file times are SOURCE_DATE_EPOCH (default:
# the time of the source tree's last commit), the order is fixed and no owner or extra
# attributes are stored.
set -euo pipefail

sign=no
if [ "${1:-}" = --sign ]; then
  sign=yes
  shift
fi
if [ $# -lt 4 ] || [ $# -gt 5 ]; then
  echo "usage: make-package.sh [--sign] OUT VERSION SOURCE_DIR MORVEX_EXE [MORVEX_CTL_EXE]" >&2
  exit 2
fi
out=$1 version=$2 source=$3 morvex=$4 ctl=${5:-}

sign_file() {
  local file=$1 signed=$1.signed
  local args=(sign -pkcs12 "$MORVEX_SIGN_PFX" -h sha256 -n "Morvex by Kestrune" -in "$file" -out "$signed")
  [ -z "${MORVEX_SIGN_PASSWORD:-}" ] || args+=(-pass "$MORVEX_SIGN_PASSWORD")
  [ -z "${MORVEX_SIGN_TIMESTAMP_URL:-}" ] || args+=(-ts "$MORVEX_SIGN_TIMESTAMP_URL")
  rm -f "$signed"
  osslsigncode "${args[@]}" >/dev/null
  mv "$signed" "$file"
}
if [ $sign = yes ] && [ ! -f "${MORVEX_SIGN_PFX:-}" ]; then
  echo "make-package.sh: --sign needs MORVEX_SIGN_PFX, the path of a .pfx file" >&2
  exit 2
fi

portable=$out/portable
rm -rf "$portable"
mkdir -p "$portable/lang"
cp "$morvex" "$portable/Morvex.exe"
[ -z "$ctl" ] || cp "$ctl" "$portable/MorvexCtl.exe"
cp "$source"/lang/*.strings "$portable/lang/"
cp -R "$source/policy/PolicyDefinitions" "$portable/PolicyDefinitions"
cp "$source/package/README.txt" "$portable/README.txt"
if [ $sign = yes ]; then
  sign_file "$portable/Morvex.exe"
  [ -z "$ctl" ] || sign_file "$portable/MorvexCtl.exe"
fi

# wixl takes its sources relative to the folder it runs in, never as absolute paths.
cp "$source/res/Morvex.ico" "$out/Morvex.ico"
with_ctl=no
[ -z "$ctl" ] || with_ctl=yes
wxs=$(cd "$source/package" && pwd)/Morvex.wxs
# Name-based (SHA-1) from the UpgradeCode and the version: administrators' detection rules
# can name the product code of a version, and it is the same in every build of it.
upgrade_code=$(sed -n 's/.*UpgradeCode="\([0-9A-Fa-f-]*\)".*/\1/p' "$wxs")
product_code=$(python3 -c 'import sys, uuid; print(str(uuid.uuid5(uuid.UUID(sys.argv[1]), sys.argv[2])).upper())' \
               "$upgrade_code" "$version")
rm -f "$out/Morvex.msi"
(cd "$out" && wixl -a x86 -D Version="$version" -D ProductCode="$product_code" -D WithCtl=$with_ctl \
                  -o Morvex.msi "$wxs")
[ $sign = no ] || sign_file "$out/Morvex.msi"

# The zip: its own checksums, then fixed times, modes and order.
epoch=${SOURCE_DATE_EPOCH:-$(git -C "$source" log -1 --format=%ct 2>/dev/null || echo 315532800)}
(
  cd "$portable"
  find . -type f ! -name SHA256SUMS | sed 's|^\./||' | LC_ALL=C sort >../files.txt
  xargs -d '\n' sha256sum <../files.txt >SHA256SUMS
  echo SHA256SUMS >>../files.txt
  find . -type d -exec chmod 755 {} +
  find . -type f -exec chmod 644 {} +
  find . -exec touch -h -d "@$epoch" {} +
  zip_name=Morvex-$version-portable.zip
  rm -f "../$zip_name"
  TZ=UTC xargs -d '\n' zip -q -X -D "../$zip_name" <../files.txt
)
rm -f "$out/files.txt"
(cd "$out" && sha256sum Morvex.msi "Morvex-$version-portable.zip" >SHA256SUMS)
