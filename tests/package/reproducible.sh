#!/usr/bin/env bash
# Builds the product twice, from two copies of the source tree in two differently named
# folders, with SOURCE_DATE_EPOCH from the last commit, and compares the results byte for
# byte: the programs and the portable zip. Any time stamp or path inside a file shows here.
#   reproducible.sh SOURCE_DIR WORK_DIR
set -euo pipefail
source=$(cd "$1" && pwd)
work=$2
SOURCE_DATE_EPOCH=$(git -C "$source" log -1 --format=%ct)
export SOURCE_DATE_EPOCH

rm -rf "$work"
build() {
  local tree=$work/$1
  mkdir -p "$tree/source"
  # The files of the tree as they are now, committed or not (and not deleted); no build output.
  (cd "$source" && git ls-files -z --cached --others --exclude-standard |
     while IFS= read -r -d '' f; do [ ! -e "$f" ] || printf '%s\0' "$f"; done |
     xargs -0 cp --parents -t "$tree/source")
  cmake -S "$tree/source" -B "$tree/build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DMORVEX_BUILD_TESTS=OFF \
        -DCMAKE_TOOLCHAIN_FILE="$tree/source/cmake/toolchain-i686-mingw.cmake" >"$tree/configure.log"
  cmake --build "$tree/build" -j 2 >"$tree/build.log"
}
build one
build second-build

version=$(sed -n 's/^#define MORVEX_VERSION_TEXT "\(.*\)"$/\1/p' "$work/one/build/generated/MorvexVersion.h")
files=(src/app/Morvex.exe "package/Morvex-$version-portable.zip")
if [ -f "$work/one/build/src/ctl/MorvexCtl.exe" ]; then
  files+=(src/ctl/MorvexCtl.exe)
else
  echo "reproducible: no MorvexCtl.exe in this build (no MorvexCtl target yet), compared without it"
fi
status=0
for f in "${files[@]}"; do
  if cmp "$work/one/build/$f" "$work/second-build/build/$f"; then
    echo "reproducible: $f identical ($(sha256sum <"$work/one/build/$f" | cut -c1-16))"
  else
    echo "reproducible: $f differs between the two builds" >&2
    status=1
  fi
done
lists() { unzip -Z1 "$work/$1/build/package/Morvex-$version-portable.zip"; }
if [ "$(lists one)" != "$(lists second-build)" ]; then
  echo "reproducible: the file lists of the two zips differ" >&2
  status=1
fi
[ $status -ne 0 ] || rm -rf "$work"
exit $status
