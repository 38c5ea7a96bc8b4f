#!/usr/bin/env bash
# Builds norvale-sim and previews a tracked send on the bundled sample profile:
# a summary of every copy here, and each copy's HTML in preview/index.html.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh
cmake --preset default >/dev/null
cmake --build --preset default --target norvale-sim

build/default/tools/norvale-sim/norvale-sim send --out preview
