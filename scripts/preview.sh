#!/usr/bin/env bash
# Builds norvale-sim and previews a tracked send on the bundled sample profile:
# a summary of every copy here, and the report preview/index.html to read in
# a browser before trusting a send. Installs only what norvale-sim needs.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh preview
cmake --preset preview >/dev/null
cmake --build --preset preview

build/preview/tools/norvale-sim/norvale-sim send --out preview
cat <<END

Open preview/index.html in a browser (file://$PWD/preview/index.html). Per copy
it shows who gets it, whether it is tracked and its eight tracking values
decoded, each rewritten link from the original to the tracked address, the
banner of an untracked copy, and the copy as the recipient sees it; above them
the message boxes and what became of the composed message. Mail bodies are
shown in a sandbox: their scripts do not run and remote images are not loaded.
END
