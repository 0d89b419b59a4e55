#!/usr/bin/env bash
# Makes a release of the checked-out commit into build/release/:
#   Morvex.msi, Morvex-<version>-portable.zip and SHA256SUMS (of both).
# The build is reproducible: SOURCE_DATE_EPOCH is the commit's time, so the same commit gives
# the same programs and the same zip wherever it is built.
# With MORVEX_SIGN_PFX (a .pfx file; MORVEX_SIGN_PASSWORD if it has one; optionally
# MORVEX_SIGN_TIMESTAMP_URL, an RFC 3161 time-stamp server) both programs and the msi are
# signed with osslsigncode, SHA-256, before the packages and the checksums are made.
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/setup.sh

if [ -n "$(git status --porcelain --untracked-files=no)" ]; then
  echo "release.sh: the work tree has uncommitted changes; this release is not the commit's" >&2
fi
SOURCE_DATE_EPOCH=$(git log -1 --format=%ct)
export SOURCE_DATE_EPOCH

build=build/release-build
cmake -S . -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVEX_BUILD_TESTS=OFF \
      -DCMAKE_TOOLCHAIN_FILE="$PWD/cmake/toolchain-i686-mingw.cmake" >/dev/null
cmake --build "$build" -j "$(nproc)"

version=$(sed -n 's/^#define MORVEX_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/MorvexVersion.h")
programs=("$build/src/app/Morvex.exe")
if [ -f "$build/src/ctl/MorvexCtl.exe" ]; then
  programs+=("$build/src/ctl/MorvexCtl.exe")
else
  echo "release.sh: this build has no MorvexCtl.exe; the release goes without it" >&2
fi
sign=()
if [ -n "${MORVEX_SIGN_PFX:-}" ]; then
  sign=(--sign)
else
  echo "release.sh: MORVEX_SIGN_PFX is not set; the release is not signed" >&2
fi

bash package/make-package.sh "${sign[@]}" "$build/release" "$version" "$PWD" "${programs[@]}"
rm -rf build/release
mkdir -p build/release
cp "$build/release/Morvex.msi" "$build/release/Morvex-$version-portable.zip" "$build/release/SHA256SUMS" build/release/
echo "release.sh: Morvex $version in build/release:"
(cd build/release && cat SHA256SUMS)
