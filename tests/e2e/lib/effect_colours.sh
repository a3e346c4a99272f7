# SPDX-License-Identifier: GPL-3.0-or-later
# Colour checks of the effect's end-to-end scripts: the picture's GIF colour
# table and the colours of a screenshot, each as one "#RRGGBB" line per colour.
# shellcheck source=harness.sh
source "$(dirname "${BASH_SOURCE[0]}")/harness.sh"

# The global colour table of a GIF: 3 x 2^(N+1) bytes from byte 13, N being
# the low three bits of byte 10.
palette_colours() {
  local gif=$1 packed entries
  packed=$(od -An -tu1 -j10 -N1 "$gif" | tr -d ' ')
  [ -n "$packed" ] && [ $((packed & 0x80)) -ne 0 ] || return 1
  entries=$((2 << (packed & 7)))
  od -An -v -tu1 -j13 -N$((entries * 3)) "$gif" | tr -s ' ' '\n' | sed '/^$/d' |
    paste - - - | while read -r red green blue; do
      printf '#%02X%02X%02X\n' "$red" "$green" "$blue"
    done | sort -u
}

# The distinct colours of an image.
screen_colours() {
  convert "$1" -depth 8 -unique-colors txt:- | grep -o '#[0-9A-Fa-f]\{6\}' | tr 'a-f' 'A-F' | sort -u
}

# True when every colour of the image is in the palette file; prints the
# others (at most ten) otherwise.
only_palette_colours() {
  local image=$1 palette=$2 strangers
  strangers=$(screen_colours "$image" | comm -23 - "$palette")
  if [ -n "$strangers" ]; then
    echo "colours outside the picture's table: $(head -n 10 <<<"$strangers" | tr '\n' ' ')" >&2
    return 1
  fi
}

# The share (0 to 1) of the image's pixels whose colour lies within DISTANCE
# (Euclidean, in 8-bit RGB) of a colour of the palette file.
near_palette_share() {
  local distance=$1 image=$2 palette=$3
  convert "$image" -depth 8 -format %c histogram:info:- | awk -v limit="$distance" '
    BEGIN { n = 0 }
    function hex(text,   i, value) {
      value = 0
      for (i = 1; i <= length(text); i++)
        value = value * 16 + index("0123456789ABCDEF", substr(text, i, 1)) - 1
      return value
    }
    FNR == NR {
      red[n] = hex(substr($1, 2, 2)); green[n] = hex(substr($1, 4, 2)); blue[n] = hex(substr($1, 6, 2)); n++
      next
    }
    {
      count = $1 + 0
      colour = $0; sub(/^.*#/, "", colour); colour = toupper(substr(colour, 1, 6))
      r = hex(substr(colour, 1, 2)); g = hex(substr(colour, 3, 2)); b = hex(substr(colour, 5, 2))
      nearest = -1
      for (i = 0; i < n; i++) {
        d = (r - red[i]) ^ 2 + (g - green[i]) ^ 2 + (b - blue[i]) ^ 2
        if (nearest < 0 || d < nearest) nearest = d
      }
      total += count
      if (nearest <= limit * limit) near += count
    }
    END { if (total > 0) printf "%.3f\n", near / total; else print 0 }
  ' "$palette" -
}

# True when at least PERCENT per cent of the image's pixels lie within
# DISTANCE of a palette colour; prints the share otherwise.
mostly_palette_colours() {
  local percent=$1 distance=$2 image=$3 palette=$4 share
  share=$(near_palette_share "$distance" "$image" "$palette")
  if ! awk -v share="$share" -v percent="$percent" 'BEGIN { exit !(share * 100 >= percent) }'; then
    echo "only $share of the pixels are within $distance of the picture's colours" >&2
    return 1
  fi
}

# True when the two images differ in at least one pixel.
images_differ() {
  local differing
  differing=$(compare -metric AE "$1" "$2" null: 2>&1)
  [ "${differing%% *}" != 0 ]
}
