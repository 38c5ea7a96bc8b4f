#!/usr/bin/env bash
# Installs the Debian packages of the named groups (default: all of them);
# only the missing ones, so a prepared machine starts at once.
#   preview  what building norvale-sim and writing the preview needs
#   tests    the rest of what scripts/test.sh needs: formatting, the test
#            libraries, clang for the fuzzers, headless Chromium, MinGW-w64
#            and Wine for the DLL, and the packaging and signing tools
set -euo pipefail

declare -A groups=(
  [preview]="cmake ninja-build g++ nlohmann-json3-dev libcli11-dev"
  [tests]="clang-format googletest libgtest-dev libgmock-dev libbenchmark-dev chromium
           clang-14 libclang-rt-14-dev
           mingw-w64 mingw-w64-tools wine wine64 libwine-dev xvfb xauth
           msitools wixl osslsigncode openssl"
)

(($# > 0)) || set -- preview tests
packages=()
for group in "$@"; do
  [[ -v groups[$group] ]] || { echo "install-deps.sh: no group '$group' (preview, tests)" >&2; exit 2; }
  read -ra listed <<<"${groups[$group]//$'\n'/ }"
  packages+=("${listed[@]}")
done

missing=()
for package in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q 'install ok installed'; then
    missing+=("$package")
  fi
done
((${#missing[@]} == 0)) && exit 0

echo "Installing: ${missing[*]}"
sudo=()
[[ $(id -u) -eq 0 ]] || sudo=(sudo)
"${sudo[@]}" apt-get update -qq
DEBIAN_FRONTEND=noninteractive "${sudo[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
