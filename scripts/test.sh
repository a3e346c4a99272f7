#!/usr/bin/env bash
# Sets everything up and runs every test: native, 32-bit core under qemu,
# Windows-side and end-to-end under wine64. Ends with ctest's summary.
set -uo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh || exit 1

source scripts/lib/wine.sh
trap stop_wine EXIT
ctest --test-dir build --output-on-failure -j "$(nproc)" "$@"
