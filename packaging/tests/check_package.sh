#!/usr/bin/env bash
# Reads a package's tables with msitools and checks what decides where and
# for whom it installs, for packages that cannot be installed here (x86):
#   check_package.sh PACKAGE x64|x86 machine|user VERSION UPGRADE-CODE
set -euo pipefail

package=$1 arch=$2 scope=$3 version=$4 upgrade_code=$5

# Column `column` (1-based) of the row of `table` whose first column is `key`.
cell() { msiinfo export "$package" "$1" | tr -d '\r' | awk -F'\t' -v k="$2" -v c="$3" '$1 == k { print $c }'; }
# The distinct values of column `column` of `table`'s rows (after its three header lines).
column() { msiinfo export "$package" "$1" | tr -d '\r' | tail -n +4 | cut -f"$2" | sort -u | paste -sd,; }

declare -A template=([x64]='x64;1033' [x86]='Intel;1033')
# msidbComponentAttributes64bit: a 64-bit component writes the 64-bit
# registry view; without it, on 64-bit Windows, the 32-bit view.
declare -A component_attributes=([x64]=256 [x86]=0)
declare -A folder=([x64-machine]=ProgramFiles64Folder [x86-machine]=ProgramFilesFolder
  [x64-user]=LocalAppDataFolder [x86-user]=LocalAppDataFolder)
# Per machine: ALLUSERS=1 and HKLM (2); per user: no ALLUSERS, HKCU (1), and
# the summary's "no elevation" bit (8) beside "compressed" (2).
declare -A allusers=([machine]=1 [user]=)
declare -A registry_root=([machine]=2 [user]=1)
declare -A word_count=([machine]=2 [user]=10)
# What tells Windows Installer that the component is installed: the DLL per
# machine; per user a key under HKCU (in the user's profile, like the DLL).
declare -A key_path=([machine]="file NorvaleOAddin.dll" [user]="registry 1 InprocServer32")
key_path_row=$(column Component 6)
if [[ $key_path_row == NorvaleOAddin.dll ]]; then
  actual_key_path="file $key_path_row"
else
  actual_key_path="registry $(cell Registry "$key_path_row" 2) $(cell Registry "$key_path_row" 3 | sed 's/.*\\//')"
fi

checks=(
  "template|$(msiinfo suminfo "$package" | sed -n 's/^Template: //p')|${template[$arch]}"
  "word count|$(msiinfo suminfo "$package" | sed -n 's/^Source: \([0-9]*\).*/\1/p')|${word_count[$scope]}"
  "ProductVersion|$(cell Property ProductVersion 2)|$version"
  "UpgradeCode|$(cell Property UpgradeCode 2)|{$upgrade_code}"
  "ALLUSERS|$(cell Property ALLUSERS 2)|${allusers[$scope]}"
  "install folder|$(cell Directory INSTALLDIR 2)|${folder[$arch-$scope]}"
  "64-bit component|$(($(column Component 4) & 256))|${component_attributes[$arch]}"
  "registry roots|$(column Registry 2)|${registry_root[$scope]}"
  "key path|$actual_key_path|${key_path[$scope]}"
)
failed=0
for check in "${checks[@]}"; do
  IFS='|' read -r what actual expected <<<"$check"
  if [[ $actual != "$expected" ]]; then
    echo "FAIL: $what is '$actual', expected '$expected'" >&2
    failed=1
  fi
done
((failed == 0)) && echo "$package: $arch, per $scope, $version"
