#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Proves that the README's two commands work on a brand-new Debian 12 machine:
# builds a clean Debian 12 root with debootstrap (minbase: nothing but the
# essential packages) from the mirror that apt on this machine uses, puts a
# clean clone of this repository's HEAD in it, and runs
#   bash scripts/main.sh   and then   bash scripts/test.sh
# inside it (chroot, with /proc, /dev, /dev/pts, /sys and a private /tmp
# mounted in a mount namespace of its own, so that they go away however the
# check ends). It prints each command's time and result and exits non-zero
# when either fails. Uncommitted changes are not part of the check.
#   scripts/fresh-check.sh [--keep]
#     --keep   keep build/fresh-root/ afterwards: the untouched debootstrap
#              root (reused by the next run instead of a new download) and
#              the root the commands ran in
# The commands' output is kept in build/logs/fresh-check/ in any case.
# Needs root and the network to Debian's mirror; takes about 40 minutes.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh
source scripts/lib/debian_mirror.sh

keep=0
for argument in "$@"; do
  case "$argument" in
  --keep) keep=1 ;;
  -h | --help)
    sed -n '2,/^set -uo/p' "$0" | sed '$d; s/^# \{0,1\}//'
    exit 0
    ;;
  *) step_failed "read the arguments" "unknown argument '$argument' (usage: scripts/fresh-check.sh [--keep])" ;;
  esac
done

[ "$(id -u)" = 0 ] || step_failed "start" "building a root and chrooting into it needs root"
repository=$(pwd)
place=$repository/build/fresh-root
pristine=$place/pristine
root=$place/root
export GLIMMER_LOGS=$repository/build/logs/fresh-check

if ! command -v debootstrap >/dev/null || ! command -v unshare >/dev/null; then
  export DEBIAN_FRONTEND=noninteractive
  run_step "install debootstrap" apt-get install -y --no-install-recommends debootstrap util-linux
fi

mirror=$(debian_uri bookworm)
security=$(debian_uri bookworm-security)
[ -n "$mirror" ] || step_failed "find the Debian mirror" "no apt source of Debian's bookworm in /etc/apt"

# Anything still mounted below the place must never be deleted through.
mounted_below() {
  awk -v place="$1" 'index($2, place) == 1 { found = 1 } END { exit !found }' /proc/self/mounts
}
remove_tree() {
  [ -e "$1" ] || return 0
  mounted_below "$1" && step_failed "remove $1" "something is still mounted below it; unmount it first"
  rm -rf --one-file-system "$1"
}

if [ ! -f "$pristine/.complete" ]; then
  remove_tree "$pristine"
  run_step "debootstrap Debian 12 from $mirror" debootstrap --variant=minbase bookworm "$pristine" "$mirror"
  {
    echo "Types: deb"
    echo "URIs: $mirror"
    echo "Suites: bookworm bookworm-updates"
    echo "Components: main"
    echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    if [ -n "$security" ]; then
      echo
      echo "Types: deb"
      echo "URIs: $security"
      echo "Suites: bookworm-security"
      echo "Components: main"
      echo "Signed-By: /usr/share/keyrings/debian-archive-keyring.gpg"
    fi
  } >"$pristine/etc/apt/sources.list.d/debian.sources"
  rm -f "$pristine/etc/apt/sources.list"
  touch "$pristine/.complete"
fi

remove_tree "$root"
run_step "copy the root" cp -a "$pristine" "$root"
cp -L /etc/resolv.conf "$root/etc/resolv.conf"
# debootstrap writes no /etc/hosts, which every installed Debian machine has:
# without it "localhost" does not resolve (Selenium reaches chromedriver by it).
[ -f "$root/etc/hosts" ] ||
  printf '127.0.0.1\tlocalhost\n::1\t\tlocalhost ip6-localhost ip6-loopback\n' >"$root/etc/hosts"
# A chroot has no init: package scripts must not try to start services.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
[ -z "$(git status --porcelain --untracked-files=no)" ] ||
  echo "note: the check runs the committed HEAD; uncommitted changes are not part of it"
run_step "clone the repository" git clone --quiet --no-hardlinks "$repository" "$root/root/glimmerwheel"

# Runs one README command in the root, in a mount namespace of its own whose
# mounts vanish with it; processes it left behind are ended first.
run_in_root() {
  unshare --mount --propagation private -- bash -c '
    root=$1
    shift
    mount -t proc proc "$root/proc" &&
      mount -t sysfs sysfs "$root/sys" &&
      mount --bind /dev "$root/dev" &&
      mount --bind /dev/pts "$root/dev/pts" &&
      mount -t tmpfs tmpfs "$root/dev/shm" &&
      mount -t tmpfs tmpfs "$root/tmp" || { echo "could not mount the root'"'"'s file systems" >&2; exit 1; }
    chroot "$root" /usr/bin/env -i HOME=/root TERM=dumb LANG=C.UTF-8 \
      PATH=/usr/local/sbin:/usr/local/bin:/usr/sbin:/usr/bin:/sbin:/bin \
      bash -c "cd /root/glimmerwheel && $*"
    status=$?
    for process in /proc/[0-9]*; do
      [ "$(readlink "$process/root" 2>/dev/null)" = "$root" ] && kill -KILL "${process#/proc/}" 2>/dev/null
    done
    exit $status
  ' fresh-root "$root" "$@"
}

results=()
failed=0
for command in "bash scripts/main.sh" "bash scripts/test.sh"; do
  log=$(step_log "${command#bash scripts/}")
  echo "== $command (in the fresh root; output in $log)"
  start=$(date +%s)
  run_in_root "$command" 2>&1 | tee "$log"
  status=${PIPESTATUS[0]}
  seconds=$(($(date +%s) - start))
  took="$((seconds / 60)) min $((seconds % 60)) s"
  if [ "$status" = 0 ]; then
    results+=("$command: passed in $took")
  else
    results+=("$command: FAILED with exit status $status after $took (log: $log)")
    failed=1
  fi
done

echo
echo "== fresh Debian 12 root, from $mirror"
printf '%s\n' "${results[@]}"
if [ "$keep" = 1 ]; then
  echo "kept: $place"
else
  remove_tree "$place"
fi
exit "$failed"
