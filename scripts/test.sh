#!/usr/bin/env bash
# Installs what is missing (both groups of install-deps.sh), checks the
# formatting, then builds and runs every test: the portable core and
# norvale-sim in the default build and under the address and
# undefined-behaviour sanitizers (the preview in headless Chromium included),
# the libFuzzer targets for a fixed time each, the 64-bit Windows DLL and its
# packages cross-built with MinGW-w64 with their tests under Wine, and the
# 32-bit DLL and its packages, checked statically.
set -euo pipefail
cd "$(dirname "$0")/.."

scripts/install-deps.sh preview tests

echo "== formatting"
git ls-files -z -- '*.h' '*.cc' | xargs -0 clang-format --dry-run --Werror

fuzz() {
  echo "== fuzz: build"
  cmake --preset fuzz >/dev/null
  cmake --build --preset fuzz
  # Each target starts from the seeds, keeps what it finds under build/fuzz,
  # and fails the run on a crash (its input is left in build/fuzz/artifacts).
  local seconds=${NORVALE_FUZZ_SECONDS:-30}
  local -A seeds=(
    [body_rewriter]="samples tests/scenarios"
    [tracking_query]="fuzz/seeds/tracking_query"
    [scenario_send]="tests/scenarios samples"
  )
  mkdir -p build/fuzz/artifacts
  for name in body_rewriter tracking_query scenario_send; do
    echo "== fuzz: ${name}, ${seconds} s"
    mkdir -p "build/fuzz/corpus/${name}"
    local log="build/fuzz/${name}.log"
    # shellcheck disable=SC2086 # the seed folders are separate arguments
    if ! "build/fuzz/fuzz/${name}_fuzzer" -max_total_time="$seconds" -timeout=20 \
      -rss_limit_mb=2048 -print_final_stats=1 -artifact_prefix=build/fuzz/artifacts/ \
      "build/fuzz/corpus/${name}" ${seeds[$name]} >"$log" 2>&1; then
      tail -n 60 "$log"
      echo "fuzz: ${name} failed; the input is in build/fuzz/artifacts"
      exit 1
    fi
    grep -E '^(stat::number_of_executed_units|stat::new_units_added|stat::peak_rss_mb)' "$log"
  done
}

for preset in default asan fuzz mingw mingw-x86; do
  if [[ $preset == fuzz ]]; then
    fuzz
    continue
  fi
  echo "== ${preset}: build"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset"
  echo "== ${preset}: test"
  # The Wine tests run one at a time: parallel xvfb-run -a can race for a display.
  jobs=2
  [[ $preset == mingw* ]] && jobs=1
  ctest --preset "$preset" --timeout 300 -j"$jobs"
done
