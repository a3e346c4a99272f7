#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs one fuzzer (or all) for a long time, keeping what it finds in
# build/fuzz/corpus/NAME between runs. Crashes land in build/fuzz/findings/.
#   scripts/fuzz.sh [NAME|all] [SECONDS] [JOBS]
# GLIMMER_FUZZ_BUILD names another build folder of the fuzz preset (default
# build/fuzz); its corpus and findings are kept in it.
set -euo pipefail
cd "$(dirname "$0")/.."
name=${1:-all}
seconds=${2:-3600}
jobs=${3:-1}
build=${GLIMMER_FUZZ_BUILD:-build/fuzz}
if [ ! -f "$build/CMakeCache.txt" ]; then
  cmake --preset fuzz -B "$build" >/dev/null
fi
cmake --build "$build" -j "$(nproc)" >/dev/null
targets=()
if [ "$name" = all ]; then
  for f in "$build"/tests/fuzz/fuzz_*; do [ -x "$f" ] && targets+=("$(basename "$f")"); done
else
  targets=("$name")
fi
mkdir -p "$build/findings"
for target in "${targets[@]}"; do
  corpus=$build/corpus/$target
  mkdir -p "$corpus"
  seeds=()
  while read -r pattern folder; do
    [ -z "$pattern" ] || [ "${pattern:0:1}" = "#" ] && continue
    case "$target" in $pattern) seeds+=("$folder") ;; esac
  done <tests/fuzz/seeds.txt
  echo "== $target for ${seconds}s"
  parallel=()
  [ "$jobs" -gt 1 ] && parallel=(-jobs="$jobs" -workers="$jobs")
  "$build/tests/fuzz/$target" -max_total_time="$seconds" -max_len=65536 -timeout=10 \
    -rss_limit_mb=2048 "${parallel[@]}" -print_final_stats=1 \
    -artifact_prefix="$build/findings/$target"- "$corpus" "${seeds[@]}" 2>&1 |
    grep -E "DONE|stat::|ERROR|SUMMARY|Test unit written" || true
done
