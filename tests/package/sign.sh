#!/usr/bin/env bash
# Signs a release with a certificate made here and now, as scripts/release.sh does with the
# real one, then checks the signatures against that certificate, the checksums of the signed
# files, and that the signed programs still start under Wine.
#   sign.sh SOURCE_DIR WORK_DIR VERSION PREFIX MORVEX_EXE MORVEX_REMOTE_EXE [MORVEX_CTL_EXE]
# The key and the certificate live in WORK_DIR only, for the length of the test.
set -euo pipefail
source=$(cd "$1" && pwd)
work=$2 version=$3 prefix=$4 morvex=$5 remote=$6 ctl=${7:-}
run="$source/cmake/wine-run.sh"

rm -rf "$work"
mkdir -p "$work/release"
trap 'rm -f "$work/key.pem" "$work/test.pfx"' EXIT
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/cert.pem" -days 2 \
        -subj "/CN=Morvex test signing" -addext "extendedKeyUsage=codeSigning" 2>/dev/null
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/cert.pem" -out "$work/test.pfx" \
        -passout pass:morvex-test
MORVEX_SIGN_PFX="$work/test.pfx" MORVEX_SIGN_PASSWORD=morvex-test \
  bash "$source/package/make-package.sh" --sign "$work/release" "$version" "$source" "$morvex" $ctl

fail() { echo "sign: $*" >&2; exit 1; }
signed=("$work/release/portable/Morvex.exe" "$work/release/Morvex.msi")
if [ -n "$ctl" ]; then
  signed+=("$work/release/portable/MorvexCtl.exe")
else
  echo "sign: no MorvexCtl.exe in this build (no MorvexCtl target yet), signed without it"
fi
for f in "${signed[@]}"; do
  osslsigncode verify -CAfile "$work/cert.pem" -in "$f" >"$work/verify.log" 2>&1 ||
    fail "$(basename "$f"): the signature does not verify: $(cat "$work/verify.log")"
  grep -q '^Message digest algorithm *: SHA256' "$work/verify.log" || fail "$(basename "$f") is not signed with SHA-256"
done
# The same check refuses what is not signed, so the checks above mean something.
if osslsigncode verify -CAfile "$work/cert.pem" -in "$morvex" >/dev/null 2>&1; then
  fail "an unsigned Morvex.exe verifies"
fi

# The sums are made after signing: they match the signed files, inside the zip and beside it.
mkdir "$work/unzipped"
unzip -q "$work/release/Morvex-$version-portable.zip" -d "$work/unzipped"
(cd "$work/unzipped" && sha256sum --quiet -c SHA256SUMS) || fail "the zip's SHA256SUMS do not match its files"
cmp "$work/unzipped/Morvex.exe" "$work/release/portable/Morvex.exe" || fail "the zip holds an unsigned Morvex.exe"
# The administrative templates, exactly as in the source tree, in a PolicyDefinitions folder.
for template in Morvex.admx en-US/Morvex.adml de-DE/Morvex.adml fr-FR/Morvex.adml; do
  cmp "$work/unzipped/PolicyDefinitions/$template" "$source/policy/PolicyDefinitions/$template" ||
    fail "the zip does not hold PolicyDefinitions/$template as it is in the sources"
done
(cd "$work/release" && sha256sum --quiet -c SHA256SUMS) || fail "SHA256SUMS do not match the msi and the zip"

# The signed programs start. Where 32-bit code runs emulated (MORVEX_32BIT_EMULATED=1, set
# by the build), or without a display, the window is left out: each 32-bit process costs
# about a minute there.
if [ "${MORVEX_32BIT_EMULATED:-0}" = 1 ]; then
  echo "sign: the signed Morvex.exe's window not checked: 32-bit code runs emulated on this host"
elif [ -z "${DISPLAY:-}" ]; then
  echo "sign: the signed Morvex.exe's window not checked: no display (run under xvfb-run)"
else
  "$run" "$prefix" "$work/release/portable/Morvex.exe" >"$work/morvex.log" 2>&1 &
  morvex_pid=$!
  if ! "$run" "$prefix" "$remote" wait 30; then
    kill "$morvex_pid" 2>/dev/null || true
    fail "the signed Morvex.exe showed no window"
  fi
  "$run" "$prefix" "$remote" close || fail "the signed Morvex.exe did not close"
  wait "$morvex_pid" || fail "the signed Morvex.exe exited with $?"
fi
if [ -n "$ctl" ]; then
  "$run" "$prefix" "$work/release/portable/MorvexCtl.exe" --version | grep -qF "$version" ||
    fail "the signed MorvexCtl.exe --version does not print $version"
fi
echo "sign: ${#signed[@]} files signed and verified"
