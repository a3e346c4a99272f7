#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Debian source packages for the build, fetched with apt-get source into
# build/sources/ (never into the repository). The deb-src entry names the
# mirror and suites that apt already uses on this machine.
#   source scripts/lib/debian_sources.sh
#   fetch_debian_source PACKAGE DEST     unpacks PACKAGE's source into DEST

debian_sources_list=/etc/apt/sources.list.d/glimmerwheel-sources.sources

source "$(dirname "${BASH_SOURCE[0]}")/debian_mirror.sh"

# The deb-src entry for the mirror and suites that apt uses here; written, and
# the lists updated, only when it is not there yet.
write_debian_source_entry() {
  local mirror security entry
  mirror=$(debian_uri bookworm)
  security=$(debian_uri bookworm-security)
  if [ -z "$mirror" ]; then
    echo "no apt source of Debian's bookworm in /etc/apt/sources.list or /etc/apt/sources.list.d/" >&2
    return 1
  fi
  entry="Types: deb-src
URIs: $mirror
Suites: bookworm bookworm-updates
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
  [ -z "$security" ] || entry+="

Types: deb-src
URIs: $security
Suites: bookworm-security
Components: main
Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
  if [ -f "$debian_sources_list" ] && [ "$(cat "$debian_sources_list")" = "$entry" ]; then
    return 0
  fi
  if [ "$(id -u)" != 0 ]; then
    echo "writing $debian_sources_list needs root" >&2
    return 1
  fi
  printf '%s\n' "$entry" >"$debian_sources_list" &&
    apt-get update -o DPkg::Lock::Timeout=900
}

# The versions of source package PACKAGE that the lists name, newest first.
debian_source_versions() {
  apt-cache showsrc "$1" 2>/dev/null | sed -n 's/^Version: //p' | sort -u -r --version-sort
}

# Unpacks the source of PACKAGE (the newest version of the machine's suites
# that the mirror serves: a security mirror may list a version whose files it
# no longer holds) into DEST; does nothing when DEST already holds it.
fetch_debian_source() {
  local package=$1 dest=$2
  [ -f "$dest/.fetched" ] && return 0
  write_debian_source_entry || return 1
  local scratch version fetched=""
  scratch=$(mktemp -d "${TMPDIR:-/tmp}/debian-source.XXXXXX")
  chmod 0777 "$scratch"  # apt fetches as its own user
  # apt has checked the files against the signed source index it downloaded.
  for version in "" $(debian_source_versions "$package"); do
    if (cd "$scratch" && apt-get source --download-only "$package${version:+=$version}"); then
      fetched=yes
      break
    fi
    rm -f "$scratch"/*
  done
  if [ -z "$fetched" ] || ! (cd "$scratch" && dpkg-source --no-check -x ./*.dsc unpacked); then
    echo "apt-get source $package failed for every version the lists name" >&2
    rm -rf "$scratch"
    return 1
  fi
  rm -rf "$dest"
  mkdir -p "$(dirname "$dest")"
  mv "$scratch/unpacked" "$dest"
  (cd "$scratch" && ls ./*.dsc) >"$dest/.fetched"
  rm -rf "$scratch"
}
