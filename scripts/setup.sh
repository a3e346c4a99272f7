#!/usr/bin/env bash
# Everything the project needs on a fresh Debian 12 machine: the packages
# (installed only when missing), the builds, and Wine's private prefix.
#   setup.sh              all seven builds, for the tests
#   setup.sh PRESET...    only these (the native one alone makes savers:
#                         it carries the 32-bit saver program it builds)
set -euo pipefail
cd "$(dirname "$0")/.."

packages=(
  build-essential cmake git googletest libbenchmark-dev
  g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine64
  xvfb xdotool imagemagick x11-utils
  libgif-dev libimagequant-dev libstb-dev libpng-dev libsdl2-dev
  gcc-multilib g++-multilib qemu-user-static
  clang libclang-rt-14-dev valgrind
  # The emulated guest that runs the 32-bit program (scripts/guest).
  debootstrap qemu-system-x86 e2fsprogs
)
missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  echo "== installing ${missing[*]}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  apt-get install -y -qq --no-install-recommends "${missing[@]}" >/dev/null
fi

presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=(win32 win64 win32-tests native core32 sanitize fuzz)
jobs=$(nproc)
for preset in "${presets[@]}"; do
  echo "== building $preset"
  cmake --preset "$preset" >/dev/null
  cmake --build --preset "$preset" -j "$jobs" 2>&1 | grep -E "error|warning:|saver program" || true
  test "${PIPESTATUS[0]}" -eq 0 || { echo "build of $preset failed" >&2; exit 1; }
done

# One ctest run over every build.
cat > build/CTestTestfile.cmake <<'CTEST'
subdirs("native" "core32" "sanitize" "fuzz" "win64" "win32-tests")
CTEST

if [[ " ${presets[*]} " == *" win64 "* ]]; then
  source scripts/lib/wine.sh
  ensure_wineprefix
  stop_wine
fi
