#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Runs a Windows test program under wine64 in the build's private prefix, on a
# virtual screen of its own unless one is given, and stops Wine afterwards.
set -u
source "$(dirname "$0")/lib/wine.sh"
source "$(dirname "$0")/lib/xvfb.sh"

own_screen=0
if [ -z "${DISPLAY:-}" ]; then
  start_xvfb || exit 1
  own_screen=1
fi
ensure_wineprefix || exit 1
wine "$@"
status=$?
stop_wine
[ "$own_screen" = 1 ] && stop_xvfb
exit $status
