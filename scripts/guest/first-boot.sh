# SPDX-License-Identifier: GPL-3.0-or-later
# The job of the image's own first boot (build.sh), run by the guest's init:
# installs the 32-bit Wine that the build downloaded but could not set up (the
# host cannot run 32-bit programs), then makes the Wine prefix with scripts/lib/
# wine.sh, as the host's tests do, and gives the unused blocks back.
set -euo pipefail
export DEBIAN_FRONTEND=noninteractive

echo "== installing the 32-bit packages ($(cut -d' ' -f1 /proc/uptime) s)"
# shellcheck disable=SC2046
apt-get install -y -q --no-install-recommends --no-download $(cat /job/i386-packages)
apt-get clean
rm -rf /var/lib/apt/lists/*

echo "== making the Wine prefix $GLIMMER_WINEPREFIX ($(cut -d' ' -f1 /proc/uptime) s)"
source /job/wine.sh
ensure_wineprefix
stop_wine
test -f "$WINEPREFIX/system.reg"
test -f "$WINEPREFIX/drive_c/windows/system32/ddraw.dll"
# A 32-bit prefix has no syswow64 folder.
test ! -d "$WINEPREFIX/drive_c/windows/syswow64"

# The prefix's system folder holds copies of Wine's own DLLs: link them instead.
hardlink -q -c "$WINEPREFIX/drive_c/windows" /usr/lib/i386-linux-gnu/wine
fstrim / || true
echo "== first boot done ($(cut -d' ' -f1 /proc/uptime) s)"
