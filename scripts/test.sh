#!/usr/bin/env bash
# Installs what is missing (both groups of install-deps.sh), checks the
# formatting, then builds and runs every test: the portable core and
# norvale-sim in the default build and under the address and
# undefined-behaviour sanitizers (the preview in headless Chromium included),
# the 64-bit Windows DLL and its packages cross-built with MinGW-w64 with
# their tests under Wine, and the 32-bit DLL and its packages, checked
# statically.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh preview tests

echo "== formatting"
git ls-files -z -- '*.h' '*.cc' | xargs -0 clang-format --dry-run --Werror

for preset in default asan mingw mingw-x86; do
  echo "== ${preset}: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== ${preset}: test"
  # The Wine tests run one at a time: parallel xvfb-run -a can race for a display.
  jobs=2
  [[ $preset == mingw* ]] && jobs=1
  ctest --preset "$preset" --timeout 300 -j"$jobs"
done
