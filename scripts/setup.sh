#!/usr/bin/env bash
# SPDX-License-Identifier: GPL-3.0-or-later
# Everything the project needs on a fresh Debian 12 machine: the packages
# (installed only when missing, without their recommendations, so that this
# list alone decides what is there), the builds, and Wine's private prefix.
#   setup.sh              all eight builds, for the tests
#   setup.sh PRESET...    only these (the native one alone makes savers:
#                         it carries the 32-bit saver program it builds;
#                         web builds the on-line maker's site)
# Every step's output is kept in build/logs/; a failing step is named, with
# the command that failed and the last lines of its output.
set -uo pipefail
cd "$(dirname "$0")/.."
source scripts/lib/steps.sh

packages=(
  # the native build, its tests and benchmarks
  build-essential cmake pkgconf git googletest libbenchmark-dev libsdl2-dev libx11-dev libxrandr-dev
  # the maker's picture libraries; libimagequant, lcms2, libjpeg-turbo and
  # libwebp are built from Debian's source packages (apt-get source, which
  # needs dpkg-dev), so are all of them for the web module
  libgif-dev libstb-dev libpng-dev libexif-dev dpkg-dev
  # glimmer serve
  libcpp-httplib-dev
  # glimmer preview's videos (Debian's FFmpeg brings libx264 and libvpx), and
  # ffmpeg and ffprobe, which read them back in the tests
  libavcodec-dev libavformat-dev libavutil-dev ffmpeg
  # the web module and its tests: emscripten (with Node and acorn), Chromium
  # driven through Selenium
  emscripten nodejs node-acorn chromium chromium-driver python3-selenium
  # the site's files stored compressed beside themselves
  brotli
  # the saver: 32-bit and 64-bit Windows programs (the -posix compilers for
  # the Windows-side tests, which use threads)
  g++-mingw-w64-i686-posix g++-mingw-w64-x86-64-posix mingw-w64-i686-dev mingw-w64-x86-64-dev
  # the Windows-side and end-to-end tests: wine64 runs the programs, and the
  # wine package brings the wine, wineboot and wineserver commands
  wine wine64 xvfb xdotool imagemagick x11-utils
  # glimmer play as a screen-saver hack: the XScreenSaver daemon that runs it
  # in a test, and xmllint, which reads the hack description install-hack writes
  xscreensaver libxml2-utils
  # the core as a static 32-bit Linux program, run under qemu
  gcc-multilib g++-multilib qemu-user-static
  # the sanitizer and fuzzing builds (clang and its runtime libraries), memcheck
  clang libclang-rt-14-dev valgrind
  # the emulated guest that runs the 32-bit program (scripts/guest): its image
  # is built with debootstrap and mkfs.ext4 and booted by qemu
  debootstrap qemu-system-x86 e2fsprogs
)

# What the scripts, the builds and the tests run, and the package that brings it.
programs=(
  cmake:cmake ctest:cmake make:make g++:g++ pkg-config:pkgconf git:git dpkg-source:dpkg-dev
  i686-w64-mingw32-g++-posix:g++-mingw-w64-i686-posix i686-w64-mingw32-windres:binutils-mingw-w64-i686
  x86_64-w64-mingw32-g++-posix:g++-mingw-w64-x86-64-posix x86_64-w64-mingw32-windres:binutils-mingw-w64-x86-64
  wine:wine wineboot:wine wineserver:wine Xvfb:xvfb xdotool:xdotool xprop:x11-utils xdpyinfo:x11-utils
  import:imagemagick identify:imagemagick convert:imagemagick
  xscreensaver:xscreensaver xscreensaver-command:xscreensaver xmllint:libxml2-utils setpriv:util-linux
  qemu-i386-static:qemu-user-static clang:clang clang++:clang valgrind:valgrind
  emcc:emscripten node:nodejs chromium:chromium chromedriver:chromium-driver gzip:gzip brotli:brotli
  ffmpeg:ffmpeg ffprobe:ffmpeg
  debootstrap:debootstrap qemu-system-x86_64:qemu-system-x86 mkfs.ext4:e2fsprogs e2fsck:e2fsprogs
)

all_presets=(win32 win64 win32-tests native web core32 sanitize fuzz)
presets=("$@")
[ ${#presets[@]} -gt 0 ] || presets=("${all_presets[@]}")
for preset in "${presets[@]}"; do
  [[ " ${all_presets[*]} " == *" $preset "* ]] ||
    step_failed "choose the builds" "there is no preset '$preset'; the presets are: ${all_presets[*]}"
done

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" || missing+=("$package")
done
if [ ${#missing[@]} -gt 0 ]; then
  [ "$(id -u)" = 0 ] ||
    step_failed "install packages" "${missing[*]} must be installed, which needs root: run this as root"
  export DEBIAN_FRONTEND=noninteractive
  run_step "update the package lists" apt-get update
  echo "== installing ${missing[*]}"
  run_step "install the packages" apt-get install -y --no-install-recommends "${missing[@]}"
  for package in "${missing[@]}"; do
    dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" ||
      step_failed "install the packages" "$package is still not installed"
  done
fi
need_programs "check the installed programs" "${programs[@]}"

# Sources built into the tools and the web module, from Debian's source
# packages, under build/sources/.
source scripts/lib/debian_sources.sh
for package in libimagequant lcms2 libjpeg-turbo libwebp libpng1.6 zlib giflib libexif; do
  run_step "fetch $package's source" fetch_debian_source "$package" "build/sources/$package"
done

jobs=$(nproc)
for preset in "${presets[@]}"; do
  run_step "configure $preset" cmake --preset "$preset"
  run_step "build $preset" cmake --build --preset "$preset" -j "$jobs"
  grep -hE "saver program:|warning:" "$(step_log "build $preset")" || true
done

# One ctest run over every build.
mkdir -p build
cat > build/CTestTestfile.cmake <<'CTEST'
subdirs("native" "web" "core32" "sanitize" "fuzz" "win64" "win32-tests")
CTEST

if [[ " ${presets[*]} " == *" win64 "* ]]; then
  source scripts/lib/wine.sh
  run_step "make the Wine prefix $WINEPREFIX" ensure_wineprefix
  stop_wine
fi
