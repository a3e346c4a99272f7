#!/usr/bin/env bash
# Sets everything up and makes the saver from the bundled default picture.
set -euo pipefail
cd "$(dirname "$0")/.."
bash scripts/setup.sh

mkdir -p out
build/native/glimmer pack assets/glimmerwheel.gif -o out/Glimmerwheel.scr --stub build/win32/saver.exe
build/native/glimmer inspect out/Glimmerwheel.scr
echo
echo "Made out/Glimmerwheel.scr: the 32-bit Glimmerwheel screen saver with the default picture."
