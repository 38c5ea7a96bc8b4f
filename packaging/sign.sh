#!/usr/bin/env bash
# Signs DLLs and MSI packages in place with Authenticode (SHA-256), then
# verifies each signature:
#   sign.sh --cert CERT.pem --key KEY.pem [--pass-file FILE] [--timestamp URL]
#           [--ca CA.pem] FILE...
# --ca names the certificates that verification trusts (default: the system's).
# A file is reported as signed only after its signature verified.
set -euo pipefail

usage() {
  echo "usage: $0 --cert CERT.pem --key KEY.pem [--pass-file FILE] [--timestamp URL]" \
    "[--ca CA.pem] FILE..." >&2
  exit 2
}

cert= key= pass_file= timestamp= ca=
while (($#)); do
  case $1 in
    --cert) cert=${2:?}; shift 2 ;;
    --key) key=${2:?}; shift 2 ;;
    --pass-file) pass_file=${2:?}; shift 2 ;;
    --timestamp) timestamp=${2:?}; shift 2 ;;
    --ca) ca=${2:?}; shift 2 ;;
    -*) usage ;;
    *) break ;;
  esac
done
[[ -n $cert && -n $key && $# -gt 0 ]] || usage

options=(-certs "$cert" -key "$key" -h sha256 -n "Norvale Outlook Addin")
[[ -z $pass_file ]] || options+=(-readpass "$pass_file")
[[ -z $timestamp ]] || options+=(-ts "$timestamp")
verify_options=()
[[ -z $ca ]] || verify_options+=(-CAfile "$ca")

signing=
trap 'rm -f "$signing"' EXIT
for file in "$@"; do
  # osslsigncode writes a new file; it replaces the original once complete.
  signing=$file.signing
  rm -f "$signing"
  osslsigncode sign "${options[@]}" -in "$file" -out "$signing" >/dev/null
  mv "$signing" "$file"
  if ! osslsigncode verify "${verify_options[@]}" -in "$file" >/dev/null; then
    echo "$file: the signature does not verify" >&2
    exit 1
  fi
  echo "signed: $file"
done
