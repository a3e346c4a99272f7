#!/usr/bin/env bash
# Sets everything up and runs every test: native, 32-bit core under qemu,
# Windows-side and end-to-end under wine64. Ends with ctest's summary.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
bash scripts/setup.sh || step_failed "set up" "bash scripts/setup.sh (its message is above); no test was run"

source scripts/lib/wine.sh
trap stop_wine EXIT
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@" ||
  step_failed "run the tests" "ctest --test-dir build $* (the failed tests are listed above)"
