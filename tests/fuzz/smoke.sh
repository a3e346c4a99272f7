#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# A short fixed run of one fuzzer over its seed corpus. New inputs go to a
# scratch folder, so the committed seeds never change. The run's mutations
# are seeded (GLIMMER_FUZZ_SEED, 1 unless given), so that a failing run can be
# repeated; the long campaigns of scripts/fuzz.sh draw new ones each time.
#   smoke.sh FUZZER SEEDS_LIST [RUNS]
set -euo pipefail
fuzzer=$1
root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${3:-${GLIMMER_FUZZ_RUNS:-3000}}
seed=${GLIMMER_FUZZ_SEED:-1}
name=$(basename "$fuzzer")
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT
seeds=()
while read -r pattern folder; do
  [ -z "$pattern" ] || [ "${pattern:0:1}" = "#" ] && continue
  case "$name" in $pattern) seeds+=("$root/$folder") ;; esac
done <"$2"
"$fuzzer" -runs="$runs" -seed="$seed" -max_len=65536 -timeout=10 -rss_limit_mb=2048 -print_final_stats=1 \
  "$scratch" "${seeds[@]}" 2>"$scratch.log" || { tail -60 "$scratch.log"; rm -f "$scratch.log"; exit 1; }
grep -E "stat::number_of_executed_units|cov:" "$scratch.log" | tail -2
rm -f "$scratch.log"
