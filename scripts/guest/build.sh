#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Builds the test guest from Debian packages and caches it; prints the image's
# folder. A guest that is already cached is only looked up.
#
# The guest: Debian 12 amd64 (debootstrap, minbase) from the mirror that apt on
# this machine uses, with 32-bit Wine (i386 multiarch), Xvfb, xdotool and
# ImageMagick, booted by qemu straight from its kernel and a small initrd into
# its own init (scripts/guest/init). Its folder holds vmlinuz, initrd.img,
# rootfs.ext4 (a sparse ext4 image) and, last of all, "ready": a folder
# without it is never booted. The folder is made under another name and
# renamed when complete, under a lock, so concurrent runs build it once.
#
# Everything that runs 32-bit code happens in the image's first boot
# (first-boot.sh): this machine cannot run it, the emulated guest can.
set -uo pipefail
source "$(dirname "$0")/lib.sh"
source "$GLIMMER_ROOT/scripts/lib/debian_mirror.sh"

RELEASE=bookworm
# Packages of the host architecture, installed while the image is built.
HOST_PACKAGES=(linux-image-amd64 xvfb xdotool x11-utils imagemagick fonts-wine)
# The 32-bit Wine with the X client libraries that it loads at run time,
# downloaded now and installed at the first boot. No OpenGL: the prefix draws
# DirectDraw through the GDI renderer (scripts/lib/wine.sh), and Mesa would
# bring 150 MB of 32-bit LLVM.
I386_PACKAGES=(wine wine32:i386 libxcursor1:i386 libxi6:i386 libxrandr2:i386 libxrender1:i386
  libxinerama1:i386 libxcomposite1:i386 libxfixes3:i386 libxxf86vm1:i386 libxext6:i386)
# The initrd mounts the root file system only: virtio disk and ext4, and 9p for the shares.
INITRD_MODULES=(virtio_pci virtio_blk ext4 crc32c_generic 9pnet_virtio 9p)
IMAGE_SIZE=4G

image=$(guest_image_dir)
if [ -f "$image/ready" ]; then
  echo "$image"
  exit 0
fi

guest_step "preparing the cache folder $GUEST_CACHE"
mkdir -p "$GUEST_CACHE" "$GUEST_LOGS" || guest_fail "cannot make $GUEST_CACHE or $GUEST_LOGS"
[ "$(id -u)" = 0 ] || guest_fail "building the guest needs root (debootstrap, chroot, mkfs.ext4 -d)"
for tool in debootstrap mkfs.ext4 qemu-system-x86_64 flock chroot; do
  command -v "$tool" >/dev/null || guest_fail "the tool '$tool' is not installed (scripts/setup.sh installs it)"
done
exec 9>"$image.lock"
if ! flock -n 9; then
  echo "[guest] another run is building this guest; waiting for it" >&2
  flock -w 3600 9 || guest_fail "the other build of $image did not end within an hour"
fi
if [ -f "$image/ready" ]; then
  echo "$image"
  exit 0
fi

work=$image.partial
root=$work/root
log=$GUEST_LOGS/image-build.log
: >"$log"
started=$(date +%s)

unmount_chroot() {
  local point
  for point in "$root/proc" "$root/sys"; do
    mountpoint -q "$point" 2>/dev/null && umount -l "$point"
  done
}
trap unmount_chroot EXIT

in_chroot() {
  chroot "$root" /usr/bin/env -i PATH=/usr/sbin:/usr/bin:/sbin:/bin HOME=/root LANG=C.UTF-8 \
    DEBIAN_FRONTEND=noninteractive "$@"
}

guest_step "reading this machine's Debian mirror"
mirror=$(debian_uri "$RELEASE")
[ -n "$mirror" ] || guest_fail "no apt source of Debian's $RELEASE in /etc/apt/sources.list or /etc/apt/sources.list.d"
# The guest's apt takes the release, its updates and its security fixes from
# the same places as this machine's.
sources="deb $mirror $RELEASE main"
for suite in "$RELEASE-updates" "$RELEASE-security"; do
  uri=$(debian_uri "$suite")
  [ -z "$uri" ] || sources+=$'\n'"deb $uri $suite main"
done
echo "[guest] building $image from $mirror ($RELEASE); log: $log" >&2

guest_step "clearing an unfinished earlier build"
unmount_chroot
guest_run "$log" rm -rf --one-file-system "$work"
guest_run "$log" mkdir -p "$work"

guest_step "debootstrap of $RELEASE (minbase)"
guest_run "$log" debootstrap --variant=minbase --arch=amd64 "$RELEASE" "$root" "$mirror"

guest_step "configuring apt and the system"
printf '%s\n' "$sources" >"$root/etc/apt/sources.list"
# No services start inside the chroot, and no documentation is kept. dpkg
# does not sync every file it writes: a build that fails is thrown away.
printf '#!/bin/sh\nexit 101\n' >"$root/usr/sbin/policy-rc.d"
chmod +x "$root/usr/sbin/policy-rc.d"
cat >"$root/etc/dpkg/dpkg.cfg.d/01-glimmer" <<'NODOC'
force-unsafe-io
path-exclude /usr/share/doc/*
path-exclude /usr/share/man/*
path-exclude /usr/share/info/*
path-exclude /usr/share/locale/*
path-include /usr/share/locale/locale.alias
NODOC
echo glimmer-guest >"$root/etc/hostname"
: >"$root/etc/fstab"
guest_run "$log" mount -t proc proc "$root/proc"
guest_run "$log" mount -t sysfs sysfs "$root/sys"
guest_run "$log" in_chroot apt-get update -q
guest_run "$log" in_chroot apt-get dist-upgrade -y -q

guest_step "installing initramfs-tools with a small initrd"
guest_run "$log" in_chroot apt-get install -y -q --no-install-recommends initramfs-tools
printf 'MODULES=list\nCOMPRESS=gzip\nRESUME=none\n' >"$root/etc/initramfs-tools/conf.d/glimmer"
printf '%s\n' "${INITRD_MODULES[@]}" >"$root/etc/initramfs-tools/modules"

guest_step "installing ${HOST_PACKAGES[*]}"
guest_run "$log" in_chroot apt-get install -y -q --no-install-recommends "${HOST_PACKAGES[@]}"

guest_step "downloading the 32-bit packages"
guest_run "$log" in_chroot dpkg --add-architecture i386
guest_run "$log" in_chroot apt-get update -q
guest_run "$log" in_chroot apt-get install -y -q --no-install-recommends --download-only "${I386_PACKAGES[@]}"

guest_step "installing the guest's init"
install -m 755 "$GUEST_SCRIPTS/init" "$root/sbin/glimmer-init" || guest_fail "cannot copy the init"
unmount_chroot
kernel=$(ls "$root"/boot/vmlinuz-* 2>/dev/null | sort -V | tail -n 1)
initrd=$(ls "$root"/boot/initrd.img-* 2>/dev/null | sort -V | tail -n 1)
[ -n "$kernel" ] && [ -n "$initrd" ] || guest_fail "no kernel or initrd in $root/boot"
guest_run "$log" cp "$kernel" "$work/vmlinuz"
guest_run "$log" cp "$initrd" "$work/initrd.img"

guest_step "making the ext4 image"
guest_run "$log" truncate -s "$IMAGE_SIZE" "$work/rootfs.ext4"
guest_run "$log" mkfs.ext4 -q -F -m 0 -L glimmer-guest -d "$root" "$work/rootfs.ext4"
guest_run "$log" rm -rf --one-file-system "$root"

guest_step "first boot: 32-bit Wine and its prefix"
job=$work/first-boot
mkdir -p "$job" || guest_fail "cannot make $job"
cp "$GUEST_SCRIPTS/first-boot.sh" "$job/job.sh" &&
  cp "$GLIMMER_ROOT/scripts/lib/wine.sh" "$job/wine.sh" &&
  printf '%s\n' "${I386_PACKAGES[@]}" >"$job/i386-packages" || guest_fail "cannot fill $job"
if ! bash "$GUEST_SCRIPTS/run.sh" --image "$work" --writable --deadline 2400 "$job" >>"$log" 2>&1; then
  cp "$job/console.log" "$GUEST_LOGS/image-first-boot-console.log" 2>/dev/null
  echo "---- last lines of $log" >&2
  tail -n 25 "$log" >&2
  guest_fail "the first boot did not succeed (its console: $GUEST_LOGS/image-first-boot-console.log)"
fi
guest_run "$log" e2fsck -f -p "$work/rootfs.ext4"

guest_step "storing the guest in the cache"
echo "built $(date -u +%FT%TZ) in $(($(date +%s) - started)) s from $mirror" >"$work/ready.part"
mv "$job/console.log" "$work/first-boot-console.log" 2>/dev/null
rm -rf --one-file-system "$job" "$image"
mv "$work/ready.part" "$work/ready" && mv -T "$work" "$image" || guest_fail "cannot rename $work to $image"
echo "[guest] built $image in $(($(date +%s) - started)) s" >&2
echo "$image"
