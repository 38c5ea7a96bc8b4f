#!/usr/bin/env bash
# Opens norvale-sim's preview in headless Chromium from file:// and checks what
# a reader gets: the rendered DOM holds the copy count and a copy's decoded
# values, the page itself logs nothing to the console, and a script in a mail
# body neither runs in the report nor in a copy's own file. Saves a screenshot
# of the sample profile's report. Called by CTest: SIM SCRIPT_SCENARIO WORK_DIR.
# Exits 77 (skipped) when Chromium is not installed.
set -euo pipefail

sim=$1 script_scenario=$2 work=$3
chromium=$(command -v chromium chromium-browser | head -n1) || true
if [[ -z $chromium ]]; then
  echo "SKIPPED: chromium is not installed (scripts/install-deps.sh installs it)"
  exit 77
fi

rm -rf "$work"
mkdir -p "$work"
profile=$(mktemp -d)
trap 'rm -rf "$profile"' EXIT

fail() {
  echo "FAIL: $*" >&2
  exit 1
}

# Loads `url` in a fresh headless Chromium with the remaining arguments; the
# standard output goes to $work/$name.out and the log with the console to
# $work/$name.log.
browse() {
  local name=$1 url=$2
  shift 2
  timeout 120 "$chromium" --headless --no-sandbox --disable-gpu --disable-background-networking \
    --disable-component-update --disable-sync --no-first-run --user-data-dir="$profile" \
    --enable-logging=stderr --v=0 "$@" "$url" >"$work/$name.out" 2>"$work/$name.log" ||
    fail "chromium could not load $url (log: $work/$name.log)"
}

# Fails on any console message of a run but the browser reporting that it
# blocked a script or a remote load of a document whose address matches
# `blocked_source`; the report page itself must log nothing.
expect_quiet_console() {
  local name=$1 blocked_source=$2 unexpected
  unexpected=$(grep -E 'CONSOLE[:(]' "$work/$name.log" |
    grep -vE "(The action has been blocked|Blocked script execution).*source: $blocked_source" ||
    true)
  [[ -z $unexpected ]] || fail "console messages in $name:"$'\n'"$unexpected"
}

expect_in() {
  grep -qF -- "$2" "$work/$1.out" || fail "$1 lacks: $2"
}

expect_not_in() {
  ! grep -qF -- "$2" "$work/$1.out" || fail "$1 shows: $2"
}

# The sample profile: ten copies, the first tracked for Jane Roe.
"$sim" send --out "$work/sample" >/dev/null
browse sample "file://$work/sample/index.html" --dump-dom
expect_in sample '<dd id="copy-count">10</dd>'
first_copy=$(sed -n '/<section class="copy" id="copy-1"/,/<\/section>/p' "$work/sample.out")
for value in 'nv_subject</code></th><td><span class="value">Q3 results &amp; next steps' \
  'nv_semail</code></th><td><span class="value">mary.smith@contoso.com' \
  'nv_sfirstname</code></th><td><span class="value">Mary Ann' \
  'nv_slastname</code></th><td><span class="value">Smith' \
  'nv_email</code></th><td><span class="value">jane.roe@contoso.com' \
  'nv_firstname</code></th><td><span class="value">Jane' \
  'nv_lastname</code></th><td><span class="value">Roe' \
  'nv_companyname</code></th><td><span class="value">Contoso Ltd.' \
  '<td><code>https://www.contoso.com/reports/q3#charts</code></td>'; do
  [[ $first_copy == *"$value"* ]] || fail "copy 1 of the sample lacks: $value"
done
expect_quiet_console sample 'about:srcdoc'
browse screenshot "file://$work/sample/index.html" --hide-scrollbars --window-size=1280,4000 \
  --screenshot="$work/preview-report.png"
[[ -s $work/preview-report.png ]] || fail "no screenshot"
echo "screenshot of the sample profile's report: $work/preview-report.png"

# A body whose scripts would retitle the report and write into it. The
# browser must have seen them and refused: its console says so.
"$sim" send "$script_scenario" --out "$work/script" >/dev/null
browse script "file://$work/script/index.html" --dump-dom
expect_in script '<title>Send preview: 2 copies</title>'
expect_in script 'Script &lt;b&gt;test&lt;/b&gt;'
expect_not_in script 'SCRIPT RAN'
expect_not_in script 'HANDLER RAN'
grep -qE '(Blocked script execution|script.*The action has been blocked).*source: about:srcdoc' \
  "$work/script.log" || fail "the mail body's script never reached the browser"
! grep -q 'SCRIPT RAN' "$work/script.log" || fail "the mail body's script ran"
expect_quiet_console script 'about:srcdoc'

# The same body opened from its own file.
browse copy "file://$work/script/copy-01.html" --dump-dom
expect_in copy '<p>Hello</p>'
expect_not_in copy 'SCRIPT RAN'
expect_not_in copy 'HANDLER RAN'
! grep -q 'SCRIPT RAN' "$work/copy.log" || fail "the copy file's script ran"
expect_quiet_console copy 'file://.*/copy-01\.html'
echo "the preview renders, logs no error and runs no mail script"
