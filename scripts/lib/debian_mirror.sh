# SPDX-License-Identifier: GPL-3.0-or-later
# Where apt on this machine gets Debian from, so that roots and images built
# here use the very same mirror.
#   debian_uri SUITE    the URI of the first apt source of Debian's SUITE
#                       (bookworm, bookworm-updates, bookworm-security), read
#                       from deb822 .sources files and one-line .list files

debian_uri() {
  local suite=$1 file
  {
    for file in /etc/apt/sources.list.d/*.sources; do
      [ -f "$file" ] || continue
      awk -v suite="$suite" '
        BEGIN { RS = ""; FS = "\n" }
        {
          types = ""; uris = ""; suites = ""
          for (i = 1; i <= NF; i++) {
            if ($i ~ /^Types:/) types = $i
            else if ($i ~ /^URIs:/) uris = $i
            else if ($i ~ /^Suites:/) suites = $i
          }
          sub(/^Suites:/, "", suites)
          if (types ~ /[: \t]deb([ \t]|$)/ && (" " suites " ") ~ ("[ \t]" suite "[ \t]")) {
            sub(/^URIs:[ \t]*/, "", uris)
            split(uris, first, /[ \t]+/)
            print first[1]
          }
        }' "$file"
    done
    for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
      [ -f "$file" ] || continue
      awk -v suite="$suite" '
        $1 == "deb" {
          i = 2
          if ($2 ~ /^\[/) { while (i <= NF && $i !~ /\]$/) i++; i++ }
          if ($(i + 1) == suite) print $i
        }' "$file"
    done
  } | head -n 1
}
