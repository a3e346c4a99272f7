#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# glimmer make gives the same bytes in two builds (the native one with gcc,
# the sanitizer one with clang) for pictures of every family and every fit
# and dither; exit status 77 (skipped) when the other build is not there.
#   same_bytes_across_builds.sh GLIMMER OTHER_GLIMMER SOURCE_TREE
set -u
glimmer=$1
other=$2
root=$3
[ -x "$other" ] || { echo "no $other: build that preset first"; exit 77; }
work=$(mktemp -d /tmp/glimmer-same-bytes.XXXXXX)
trap 'rm -rf "$work"' EXIT

# Pictures of every family from ImageMagick (its plasma is fixed by -seed).
convert -seed 7 -size 640x427 plasma:red-blue "$work/plasma.png"
convert "$work/plasma.png" -quality 90 "$work/photo.jpg"
convert "$work/plasma.png" -colorspace CMYK -quality 90 "$work/cmyk.jpg"
convert "$work/plasma.png" -quality 80 "$work/lossy.webp"
convert "$work/plasma.png" -rotate 90 "$work/turned.bmp"
convert "$work/plasma.png" -resize 300x200 "$work/small.tga"
convert "$work/plasma.png" -colors 64 "$work/few.gif"
inputs=("$work"/plasma.png "$work"/photo.jpg "$work"/cmyk.jpg "$work"/lossy.webp "$work"/turned.bmp
        "$work"/small.tga "$work"/few.gif "$root"/tests/data/pictures/*.bmp "$root"/assets/glimmerwheel.gif)

failures=0
runs=0
for input in "${inputs[@]}"; do
  for options in "--fit cover" "--fit contain --dither 0" "--fit stretch --dither 0.5" "--fit none --reencode"; do
    runs=$((runs + 1))
    # shellcheck disable=SC2086
    "$glimmer" make "$input" -o "$work/one.dat" --external $options >/dev/null 2>"$work/one.err"
    # shellcheck disable=SC2086
    "$other" make "$input" -o "$work/two.dat" --external $options >/dev/null 2>"$work/two.err"
    if ! cmp -s "$work/one.dat" "$work/two.dat" || ! cmp -s "$work/one.err" "$work/two.err"; then
      failures=$((failures + 1))
      echo "DIFFERENT: $(basename "$input") $options"
      cat "$work/one.err" "$work/two.err"
    fi
    rm -f "$work/one.dat" "$work/two.dat"
  done
done
echo "== $runs makes, $failures with different bytes"
[ "$failures" -eq 0 ]
