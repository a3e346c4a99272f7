#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# One check of the guest32 boot: shows its output and ends with its status.
#   result.sh RESULTS_FOLDER CHECK
results=$1 check=$2
if [ ! -f "$results/$check.status" ]; then
  echo "the guest did not run $check (see guest32.boot)" >&2
  exit 1
fi
cat "$results/$check.log"
exit "$(cat "$results/$check.status")"
