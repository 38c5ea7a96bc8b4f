#!/usr/bin/env bash
# Installs a package under Wine as the README tells users and administrators
# to, checks what it wrote against what regsvr32 writes, and uninstalls it:
#   msi_round_trip.sh WINE-RUN PREFIX machine|user DLL PROBE UPGRADE-CODE PACKAGE VERSION
#                     [NEWER-PACKAGE NEWER-VERSION]
# With a newer package (per machine), installs it over the first and expects
# one product. NORVALE_CLSID, NORVALE_LIBID and NORVALE_IID name the keys.
set -euo pipefail

wine_run=$1 prefix=$2 scope=$3 dll=$4 probe=$5 upgrade_code=$6 package=$7 version=$8
newer_package=${9:-} newer_version=${10:-}
progid=NorvaleOlkAddin.NorvaleOAddin
work=$(mktemp -d)
installed= # the package to remove should the test stop half-way
cleanup() {
  [[ -z $installed ]] || win msiexec /x "$(windows_path "$installed")" /qn || true
  rm -rf "$work"
}
trap cleanup EXIT
trap 'echo "FAIL: line $LINENO: $BASH_COMMAND" >&2' ERR

win() { "$wine_run" "$prefix" "$@"; }
# The Windows form of a Linux path, as Wine sees it on drive Z:.
windows_path() { local path=${1//\//\\}; echo "Z:$path"; }
fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Everything of the add-in in the registry, one "key" or "key | value" line
# each, sorted; the four places a registration can write are shown as
# machine:classes, user:classes, machine:addins and user:addins, and the
# DLL's folder $1 (a Windows path ending in \) as <DIR>\.
registry() {
  local dir=$1 root key line
  {
    echo '@echo off'
    for root in HKEY_LOCAL_MACHINE HKEY_CURRENT_USER; do
      for key in "$progid.1" "$progid" "CLSID\\{$NORVALE_CLSID}" "TypeLib\\{$NORVALE_LIBID}" \
        "Interface\\{$NORVALE_IID}"; do
        echo "reg query \"$root\\Software\\Classes\\$key\" /s"
      done
      echo "reg query \"$root\\Software\\Microsoft\\Office\\Outlook\\Addins\\$progid\" /s"
    done
    # reg query fails for an absent key, which is no failure here.
    echo 'exit /b 0'
  } >"$work/registry.bat"
  win cmd /c "$(windows_path "$work/registry.bat")" | while IFS= read -r line; do
    line=${line%$'\r'}
    # Blank lines separate keys; "reg: ..." says a key is absent.
    [[ -z $line || $line == reg:* ]] && continue
    line=${line//"$dir"/<DIR>\\}
    if [[ $line == " "* ]]; then
      echo "$key | ${line#"${line%%[! ]*}"}"
    else
      key=${line/#HKEY_LOCAL_MACHINE\\Software\\Classes/machine:classes}
      key=${key/#HKEY_CURRENT_USER\\Software\\Classes/user:classes}
      key=${key/#HKEY_LOCAL_MACHINE\\Software\\Microsoft\\Office\\Outlook\\Addins/machine:addins}
      key=${key/#HKEY_CURRENT_USER\\Software\\Microsoft\\Office\\Outlook\\Addins/user:addins}
      echo "$key"
    fi
  done | LC_ALL=C sort
}

expect_registry() {
  local what=$1 dir=$2 expected=$3
  registry "$dir" >"$work/actual"
  diff -u "$expected" "$work/actual" >&2 || fail "$what: the registry differs (- expected, + actual)"
}

probe_says() {
  win cscript //nologo "$(windows_path "$probe")" "$upgrade_code" "$@" | tr -d '\r'
}

expect_probe() {
  local what=$1 expected=$2
  shift 2
  local actual
  actual=$(probe_says "$@")
  [[ $actual == "$expected" ]] || fail "$what: the probe says
$actual
expected
$expected"
}

msiexec() {
  win msiexec "$1" "$(windows_path "$2")" /qn || fail "msiexec $1 $2 exited with $?"
}

# What regsvr32 writes, the reference for both scopes.
dll_dir="$(windows_path "$(dirname "$dll")")\\"
win regsvr32 /s "$(windows_path "$dll")" || fail "regsvr32 failed"
registry "$dll_dir" >"$work/regsvr32"
win regsvr32 /u /s "$(windows_path "$dll")" || fail "regsvr32 /u failed"
grep -q "^machine:classes\\\\CLSID\\\\.*InprocServer32 | (Default) *REG_SZ *<DIR>\\\\NorvaleOAddin.dll" \
  "$work/regsvr32" || fail "regsvr32 did not register the DLL: $(cat "$work/regsvr32")"
: >"$work/nothing"
expect_registry "before installing" "$dll_dir" "$work/nothing"

# A per-machine package writes the machine-wide keys only; a per-user package
# the same class keys under HKCU\Software\Classes and the user's add-in key.
if [[ $scope == machine ]]; then
  install_dir="C:\\Program Files\\Norvale Outlook Addin\\"
  install_path="$prefix/drive_c/Program Files/Norvale Outlook Addin"
  grep -v '^user:addins' "$work/regsvr32" >"$work/expected"
else
  install_dir="C:\\users\\$(id -un)\\AppData\\Local\\Norvale Outlook Addin\\"
  install_path="$prefix/drive_c/users/$(id -un)/AppData/Local/Norvale Outlook Addin"
  grep -v '^machine:addins' "$work/regsvr32" | sed 's/^machine:classes/user:classes/' |
    LC_ALL=C sort >"$work/expected"
fi

msiexec /i "$package"
installed=$package
cmp "$dll" "$install_path/NorvaleOAddin.dll" || fail "the installed DLL is not the built one"
expect_registry "installed" "$install_dir" "$work/expected"
if [[ $scope == machine ]]; then
  # A client we did not write creates the add-in by its ProgID (Wine does not
  # activate per-user classes, so only here).
  actual=$(probe_says "$(windows_path "$install_path/NorvaleOAddin.dll")" $progid)
  expected_lines=("file version $version" "created $progid, GetVisible = true")
  for line in "${expected_lines[@]}"; do
    grep -qxF "$line" <<<"$actual" || fail "the probe does not say '$line':
$actual"
  done
  grep -qx "products 1: {[0-9A-F-]*} $version" <<<"$actual" || fail "not one product $version:
$actual"
fi

if [[ -n $newer_package ]]; then
  msiexec /i "$newer_package"
  installed=$newer_package
  actual=$(probe_says)
  grep -qx "products 1: {[0-9A-F-]*} $newer_version" <<<"$actual" ||
    fail "after the upgrade, not one product $newer_version: $actual"
  expect_registry "upgraded" "$install_dir" "$work/expected"
  package=$newer_package
else
  actual=$(probe_says)
  grep -qx "products 1: {[0-9A-F-]*} $version" <<<"$actual" || fail "not one product $version: $actual"
fi

msiexec /x "$package"
installed=
[[ ! -e $install_path ]] || fail "uninstalling left $install_path: $(ls -A "$install_path")"
expect_registry "uninstalled" "$install_dir" "$work/nothing"
expect_probe "uninstalled" "products 0"
echo "$scope package: installed, read back, uninstalled"
