#!/usr/bin/env bash
# Signs copies of the DLL and of a package with a throw-away certificate
# through sign.sh: each verifies, a copy never signed does not, and each stops
# verifying once one byte of what the signature covers changes.
#   signing_test.sh SIGN.SH DLL PACKAGE
set -euo pipefail

sign=$1 dll=$2 package=$3
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj "/CN=Norvale test signing" \
  -addext "extendedKeyUsage=codeSigning" -keyout "$work/key.pem" -out "$work/cert.pem" 2>/dev/null
verifies() { osslsigncode verify -CAfile "$work/cert.pem" -in "$1" >/dev/null 2>&1; }
# Flips the bits of the byte at `offset` of `file`.
flip_byte() {
  local file=$1 offset=$2 byte
  byte=$(od -An -tu1 -j "$offset" -N1 "$file" | tr -d ' ')
  printf "$(printf '\\%03o' $((byte ^ 0xff)))" |
    dd of="$file" bs=1 seek="$offset" conv=notrunc status=none
}

# Copies without the signature a signing build gave them.
unsigned_copy() { osslsigncode remove-signature -in "$1" -out "$2" >/dev/null 2>&1 || cp "$1" "$2"; }
unsigned_copy "$dll" "$work/NorvaleOAddin.dll"
unsigned_copy "$package" "$work/package.msi"
! verifies "$work/NorvaleOAddin.dll" || fail "the unsigned DLL verifies"
! verifies "$work/package.msi" || fail "the unsigned package verifies"

output=$("$sign" --cert "$work/cert.pem" --key "$work/key.pem" --ca "$work/cert.pem" \
  "$work/NorvaleOAddin.dll" "$work/package.msi")
[[ $output == "signed: $work/NorvaleOAddin.dll"$'\n'"signed: $work/package.msi" ]] ||
  fail "sign.sh says: $output"
for file in NorvaleOAddin.dll package.msi; do
  verifies "$work/$file" || fail "$file does not verify after signing"
  osslsigncode verify -CAfile "$work/cert.pem" -in "$work/$file" | grep -q "^Message digest algorithm *: SHA256" ||
    fail "$file is not signed with SHA-256"
done

# Where the content lies: the middle of the DLL is code; the package's
# embedded cabinet (its stream starts with "MSCF") holds the DLL.
dll_offset=$(($(stat -c %s "$work/NorvaleOAddin.dll") / 2))
cab_offset=$(grep -obUaF MSCF "$work/package.msi" | head -1 | cut -d: -f1)
[[ -n $cab_offset ]] || fail "no cabinet found in the package"
flip_byte "$work/NorvaleOAddin.dll" "$dll_offset"
flip_byte "$work/package.msi" $((cab_offset + 64))
! verifies "$work/NorvaleOAddin.dll" || fail "the DLL still verifies after a byte changed"
! verifies "$work/package.msi" || fail "the package still verifies after a byte changed"

# A signing that fails reports nothing as signed.
if output=$("$sign" --cert "$work/cert.pem" --key "$work/cert.pem" "$work/NorvaleOAddin.dll" 2>&1); then
  fail "sign.sh succeeded with a certificate as its key: $output"
fi
[[ $output != *"signed: "* ]] || fail "sign.sh reported a failed signing as signed: $output"
echo "signed, verified, and refused after one byte changed"
