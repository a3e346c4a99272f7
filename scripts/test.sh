#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Sets everything up and runs every test: native, 32-bit core under qemu,
# Windows-side and end-to-end under wine64, then the shipped 32-bit program in
# an emulated guest (built and cached on first use). Ends with ctest's
# summaries; a failure names the step that failed.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
bash scripts/setup.sh || step_failed "set up" "bash scripts/setup.sh (its message is above); no test was run"

source scripts/lib/wine.sh
trap stop_wine EXIT
# Both runs go ahead whatever the other gives; each failure is named at the end.
failures=()
ctest --test-dir build --output-on-failure -j "$(nproc)" -LE guest32 "$@" ||
  failures+=("run the tests|ctest --test-dir build -LE guest32 $* (the failed tests are listed above)")

# Last and alone: the guest keeps both cores busy.
ctest --test-dir build/win32-tests --output-on-failure -L guest32 "$@" ||
  failures+=("run the 32-bit program in the emulated guest|ctest --test-dir build/win32-tests -L guest32 $* (the failed tests are listed above; the guest's console log is in build/win32-tests/tests/guest/job/)")

for failure in "${failures[@]}"; do
  echo "$GLIMMER_SCRIPT: step '${failure%%|*}' failed: ${failure#*|}" >&2
done
[ ${#failures[@]} -eq 0 ]
