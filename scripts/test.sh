#!/usr/bin/env bash
# Sets everything up and runs every test: native, 32-bit core under qemu,
# Windows-side and end-to-end under wine64, then the same 32-bit program in an
# emulated guest. Ends with ctest's summaries.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

source scripts/lib/wine.sh
trap stop_wine EXIT
ctest --test-dir build --output-on-failure -j "$(nproc)" -LE guest32 "$@"
status=$?

# The shipped 32-bit program in the emulated guest, last: it wants both cores,
# and it builds and caches the guest on first use.
ctest --test-dir build/win32-tests --output-on-failure -L guest32 "$@" || status=1
exit $status
