#!/usr/bin/env bash
# Builds norvale-sim and shows what a tracked copy of the bundled sample
# e-mail looks like.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target norvale-sim

build/default/tools/norvale-sim/norvale-sim rewrite \
  --subject "Quarterly update" --sender-email mary@contoso.com --sender-first Mary \
  --sender-last Smith --first Jane --last Roe --email jane.roe@contoso.com --company Contoso \
  samples/sample-email.html
