#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# The glimmer tool's commands under valgrind's memcheck, on good and bad
# inputs: each must end with its own exit status (0 done, 2 refused) and
# without a single invalid access, use of uninitialised memory, or leak.
#   valgrind_tools.sh GLIMMER SOURCE_TREE
set -u
glimmer=$1
root=$2
work=$(mktemp -d /tmp/glimmer-valgrind.XXXXXX)
trap 'rm -rf "$work"' EXIT
failures=0
runs=0

# run EXPECTED_STATUS NAME ARGS...: glimmer ARGS under memcheck.
run() {
  local expected=$1 name=$2
  shift 2
  runs=$((runs + 1))
  valgrind --tool=memcheck --error-exitcode=99 --leak-check=full \
    --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
    --track-origins=yes --quiet --log-file="$work/$name.valgrind" \
    "$glimmer" "$@" >"$work/$name.out" 2>"$work/$name.err"
  local status=$?
  if [ "$status" -ne "$expected" ] || [ -s "$work/$name.valgrind" ]; then
    failures=$((failures + 1))
    echo "FAIL: $name: exit status $status, expected $expected"
    sed 's/^/  stderr: /' "$work/$name.err" | head -5
    sed 's/^/  /' "$work/$name.valgrind" | head -60
  else
    echo "ok:   $name (status $status)"
  fi
}

picture=$root/assets/glimmerwheel.gif
stub=()
# A build without its saver program inside packs with a stand-in.
if ! "$glimmer" pack "$picture" -o "$work/probe.scr" >/dev/null 2>&1; then
  head -c 61440 /dev/zero >"$work/stub.exe"
  printf 'MZ' | dd of="$work/stub.exe" conv=notrunc status=none
  stub=(--stub "$work/stub.exe")
fi

run 0 pack pack "$picture" -o "$work/saver.scr" "${stub[@]}"
run 0 pack-external pack "$picture" -o "$work/file.dat" --external
run 2 pack-not-a-gif pack "$root/README.md" -o "$work/bad.scr" "${stub[@]}"

run 0 inspect inspect "$work/saver.scr"
run 0 inspect-json inspect "$work/file.dat" --json
head -c 61600 "$work/saver.scr" >"$work/cut-header.scr"
run 2 inspect-cut-header inspect "$work/cut-header.scr"
run 2 inspect-missing inspect "$work/no-such-file.scr"

run 0 decode-pgm decode "$work/saver.scr" -o "$work/picture.pgm"
run 0 decode-png decode "$work/file.dat" -o "$work/picture.png"
head -c 70000 "$work/saver.scr" >"$work/cut-picture.scr"
run 0 decode-cut-picture decode "$work/cut-picture.scr" -o "$work/cut.pgm"
run 2 decode-cut-header decode "$work/cut-header.scr" -o "$work/x.pgm"
cp "$picture" "$work/code-size.gif"
separator=$(od -A d -t x1 -v -j 781 -N 4096 "$work/code-size.gif" |
  awk '{for (i = 2; i <= NF; i++) if ($i == "2c") { print $1 + i - 2; exit }}')
printf '\014' | dd of="$work/code-size.gif" bs=1 seek=$((separator + 10)) conv=notrunc status=none
run 2 decode-code-size decode "$work/code-size.gif" -o "$work/x.pgm"
cp "$work/saver.scr" "$work/garbage.scr"
LC_ALL=C awk 'BEGIN { srand(5); for (i = 0; i < 3000; i++) printf "%c", int(rand() * 256) }' |
  dd of="$work/garbage.scr" bs=1 seek=63000 conv=notrunc status=none
run 0 decode-garbage decode "$work/garbage.scr" -o "$work/garbage.png"

run 0 make make "$work/picture.png" -o "$work/made.scr" --fit contain --dither 0.5 "${stub[@]}"
run 0 make-gif make "$picture" -o "$work/made-gif.scr" --reencode "${stub[@]}"
run 2 make-not-a-picture make "$root/README.md" -o "$work/bad.scr" "${stub[@]}"
# Every reader: a turned JPEG, WebP with alpha, TGA, and BMPs of ImageMagick's.
convert "$work/picture.png" -orient RightTop -quality 85 "$work/picture.jpg"
convert "$work/picture.png" -alpha set -channel A -fx 0.5 "$work/picture.webp"
convert "$work/picture.png" -compress RLE "$work/picture.tga"
run 0 make-jpeg make "$work/picture.jpg" -o "$work/made-jpeg.scr" "${stub[@]}"
run 0 make-webp make "$work/picture.webp" -o "$work/made-webp.scr" --fit none "${stub[@]}"
run 0 make-tga make "$work/picture.tga" -o "$work/made-tga.scr" --fit stretch "${stub[@]}"
for bmp in "$root"/tests/data/pictures/*.bmp; do
  run 0 "make-$(basename "$bmp" .bmp)" make "$bmp" -o "$work/made-bmp.scr" "${stub[@]}"
done
head -c 3000 "$work/picture.jpg" >"$work/cut.jpg"
run 2 make-cut-jpeg make "$work/cut.jpg" -o "$work/cut.scr" "${stub[@]}"

run 0 preview-png preview "$work/made.scr" --frames 2 --seed 1 -o "$work/frame.png"
run 0 preview-gif preview "$work/file.dat" --frames 3 --seed 2 -o "$work/frames.gif"
run 0 preview-garbage preview "$work/garbage.scr" --frames 1 --seed 3 --trace
run 2 preview-cut-header preview "$work/cut-header.scr" --frames 1

echo "== valgrind: $runs runs, $failures failed"
[ "$failures" -eq 0 ]
