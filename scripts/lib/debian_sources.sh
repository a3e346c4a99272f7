#!/usr/bin/env bash
# Debian source packages for the build, fetched with apt-get source into
# build/sources/ (never into the repository). The deb-src entry names the
# mirror and suites that apt already uses on this machine.
#   source scripts/lib/debian_sources.sh
#   fetch_debian_source PACKAGE DEST     unpacks PACKAGE's source into DEST

debian_sources_list=/etc/apt/sources.list.d/glimmerwheel-sources.sources

# Writes one deb822 deb-src entry per mirror found in the machine's apt
# sources (deb822 .sources files and the one-line sources.list); prints
# nothing and changes nothing when an equal entry is already there.
write_debian_source_entry() {
  local entry
  entry=$(
    {
      for file in /etc/apt/sources.list.d/*.sources; do
        [ -f "$file" ] && [ "$file" != "$debian_sources_list" ] || continue
        awk '
          function flush() {
            if (types ~ /(^| )deb( |$)/ && uris ~ /debian/ && suites != "")
              printf "%s|%s|%s|%s\n", uris, suites, components, signed
            types = uris = suites = components = signed = ""
          }
          /^[ \t]*#/ { next }
          /^[ \t]*$/ { flush(); next }
          { key = $1; sub(/:$/, "", key); $1 = ""; sub(/^ +/, "")
            if (key == "Types") types = $0; else if (key == "URIs") uris = $0
            else if (key == "Suites") suites = $0; else if (key == "Components") components = $0
            else if (key == "Signed-By") signed = $0 }
          END { flush() }' "$file"
      done
      for file in /etc/apt/sources.list /etc/apt/sources.list.d/*.list; do
        [ -f "$file" ] || continue
        awk '$1 == "deb" && $2 !~ /^\[/ && $2 ~ /debian/ { c = $4; for (i = 5; i <= NF; i++) c = c " " $i
               printf "%s|%s|%s|\n", $2, $3, c }' "$file"
      done
    } | sort -u | awk -F'|' '
      { printf "%sTypes: deb-src\nURIs: %s\nSuites: %s\nComponents: %s\n", (NR > 1 ? "\n" : ""), $1, $2, $3
        if ($4 != "") printf "Signed-By: %s\n", $4 }'
  )
  if [ -z "$entry" ]; then
    echo "no Debian mirror found in /etc/apt/sources.list or /etc/apt/sources.list.d/*.sources" >&2
    return 1
  fi
  if [ -f "$debian_sources_list" ] && [ "$(cat "$debian_sources_list")" = "$entry" ]; then
    return 0
  fi
  printf '%s\n' "$entry" >"$debian_sources_list"
  apt-get update -qq -o DPkg::Lock::Timeout=900
}

# Unpacks the source of PACKAGE (the version of the machine's suites) into
# DEST; does nothing when DEST already holds it.
fetch_debian_source() {
  local package=$1 dest=$2
  [ -f "$dest/.fetched" ] && return 0
  write_debian_source_entry || return 1
  local scratch
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/debian-source.XXXXXX")
  chmod 0777 "$scratch"  # apt fetches as its own user
  if ! (cd "$scratch" && apt-get source -qq --download-only "$package" >/dev/null &&
        dpkg-source --no-check -x ./*.dsc unpacked >/dev/null); then
    echo "apt-get source $package failed" >&2
    rm -rf "$scratch"
    return 1
  fi
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  mv "$scratch/unpacked" "$dest"
  (cd "$scratch" && ls ./*.dsc) >"$dest/.fetched"
  rm -rf "$scratch"
}
