#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Boots the test guest, runs a job in it, powers it off and ends with the job's
# exit status. The guest is built and cached on first use (build.sh).
#
#   run.sh [--share DIR]... [--deadline SECONDS] JOB_FOLDER
#
# JOB_FOLDER holds job.sh; the guest sees the folder read-write as /job and runs
# `bash /job/job.sh` as root in it, with the 32-bit Wine prefix in
# GLIMMER_WINEPREFIX. Each --share DIR is seen read-only at its own path. What
# the job prints lands in JOB_FOLDER/job.log (shown afterwards), the guest's
# console in JOB_FOLDER/console.log and its kernel's messages in
# JOB_FOLDER/dmesg.log, which are kept. A guest that has not powered off after
# the deadline (900 s unless given) is killed. A guest that fails (no image,
# no boot, killed, no result) ends run.sh with 1 and a message that names the
# failed step.
#
# For build.sh only: --image DIR boots that image folder, --writable keeps
# what the guest writes to its disk.
set -uo pipefail
source "$(dirname "$0")/lib.sh"

shares=()
deadline=900
image=
writable=0
while [ $# -gt 1 ]; do
  case $1 in
    --share) shares+=("$(cd "$2" && pwd)") || exit 1; shift 2 ;;
    --deadline) deadline=$2; shift 2 ;;
    --image) image=$2; shift 2 ;;
    --writable) writable=1; shift ;;
    *) break ;;
  esac
done
[ $# -eq 1 ] && [ -f "$1/job.sh" ] || { echo "usage: run.sh [--share DIR]... [--deadline SECONDS] JOB_FOLDER (with job.sh)" >&2; exit 2; }
job=$(cd "$1" && pwd)

if [ -z "$image" ]; then
  guest_step "finding or building the guest"
  image=$(bash "$GUEST_SCRIPTS/build.sh") || guest_fail "the guest could not be built (see above)"
fi

guest_step "preparing the job folder $job"
rm -f "$job/status" "$job/job.log" "$job/console.log" "$job/dmesg.log"
: >"$job/.guest-shares" || guest_fail "cannot write to $job"
devices=(-fsdev "local,id=job,path=$job,security_model=none"
  -device "virtio-9p-pci,fsdev=job,mount_tag=job")
for i in "${!shares[@]}"; do
  echo "share$i ${shares[$i]}" >>"$job/.guest-shares"
  devices+=(-fsdev "local,id=share$i,path=${shares[$i]},security_model=none,readonly=on"
    -device "virtio-9p-pci,fsdev=share$i,mount_tag=share$i")
done
# A writable boot is the image build's: a crash there throws the image away,
# so the disk need not honour the guest's flushes.
disk=(-drive "file=$image/rootfs.ext4,format=raw,if=virtio,discard=unmap" -snapshot)
[ "$writable" = 1 ] && disk=(-drive "file=$image/rootfs.ext4,format=raw,if=virtio,discard=unmap,cache=unsafe")

guest_step "running the guest (deadline $deadline s; console: $job/console.log)"
started=$(date +%s)
# SMAP is off in the emulated processor: with it, the guest kernel killed
# every 32-bit process at an iret. One processor: with two, every process
# start and every wineserver call cost about three times as long (flushes and
# wake-ups across the emulated processors). Four-level page tables are
# quicker to emulate than five. The emulated TSC is one clock for the whole
# machine: without tsc=reliable the kernel falls back to the HPET, whose every
# read is an emulated device access. Spectre mitigations cost much under
# emulation and protect nothing here.
timeout --kill-after=10 "$deadline" qemu-system-x86_64 \
  -accel tcg -M pc -cpu max,-smap,-la57 -smp 1 -m 3072 \
  -nic none -no-reboot -display none -monitor none -serial "file:$job/console.log" \
  -kernel "$image/vmlinuz" -initrd "$image/initrd.img" \
  -append "console=ttyS0 root=/dev/vda rw rootfstype=ext4 init=/sbin/glimmer-init panic=-1 mitigations=off tsc=reliable quiet" \
  "${disk[@]}" "${devices[@]}" >"$job/qemu.log" 2>&1
qemu_status=$?
echo "[guest] the guest ran $(($(date +%s) - started)) s" >&2
[ -f "$job/job.log" ] && cat "$job/job.log"

if [ "$qemu_status" = 124 ] || [ "$qemu_status" = 137 ]; then
  guest_fail "the guest was still running after $deadline s and was killed (console: $job/console.log)"
fi
if [ ! -f "$job/status" ]; then
  [ -s "$job/qemu.log" ] && cat "$job/qemu.log" >&2
  echo "---- last lines of the guest's console" >&2
  tail -n 30 "$job/console.log" >&2
  echo "----" >&2
  guest_fail "the guest ended (qemu status $qemu_status) without a job result (console: $job/console.log)"
fi
exit "$(cat "$job/status")"
