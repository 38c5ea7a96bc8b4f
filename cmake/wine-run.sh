#!/usr/bin/env bash
# Runs a Windows program under Wine in a private prefix:
#   wine-run.sh PREFIX PROGRAM [ARG...]
# The prefix is created on first use (quietly, once, even when tests start in
# parallel). NORVALE_WINE_XVFB=1 runs the program on a virtual display, for
# programs that show windows; without it there is no display at all.
set -euo pipefail

prefix=$(realpath -m "$1")
shift
export WINEPREFIX=$prefix
export WINEDEBUG=${WINEDEBUG:--all}
# No Mono or Gecko: nothing here needs them, and their installers would prompt.
# mapi32.dll from the program's folder (the harness's) before Wine's own:
# Wine prefers its built-in copy of a DLL it provides, even when loaded by path.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=;mapi32=n,b}

mkdir -p "$(dirname "$prefix")"
# One program at a time per prefix: Wine's server and its desktop process
# outlive a program and stay bound to its display (gone with xvfb-run), so
# each run ends by stopping them, which must not hit another run.
exec 9>"$prefix.lock"
flock 9
if [[ ! -e $prefix/.ready ]]; then
  rm -rf "$prefix" # left over from an interrupted start
  env -u DISPLAY wine wineboot -i >/dev/null 2>&1
  # Without a window manager (Xvfb runs none) Wine waits for each managed
  # window, which makes every message box take seconds to close.
  env -u DISPLAY wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1
  wineserver -w
  touch "$prefix/.ready"
fi

status=0
if [[ ${NORVALE_WINE_XVFB:-0} == 1 ]]; then
  xvfb-run -a wine "$@" 9>&- || status=$?
else
  env -u DISPLAY wine "$@" 9>&- || status=$?
fi
wineserver -k 2>/dev/null || true
wineserver -w 2>/dev/null || true
exit "$status"
