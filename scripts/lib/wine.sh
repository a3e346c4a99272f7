# SPDX-License-Identifier: GPL-3.0-or-later
# Wine in the build's own prefix, quiet unless WINEDEBUG is given, without the Mono
# and Gecko installers (they would wait for a click on a machine without a network).
GLIMMER_ROOT=${GLIMMER_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${GLIMMER_WINEPREFIX:-$GLIMMER_ROOT/build/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=d"}
# The host's prefix is 64-bit; the test guest's is 32-bit (scripts/guest/init).
export WINEARCH=${GLIMMER_WINEARCH:-win64}

# Creates the prefix once; later calls find it ready. DirectDraw there draws
# through Wine's GDI renderer rather than OpenGL: on Xvfb the OpenGL one runs on
# Mesa's software rasteriser, and about one exit in a hundred of a full-screen
# program then dies in Wine's own teardown (a segmentation fault of the wine
# process, exit status 139), which no test of the saver should depend on.
ensure_wineprefix() {
  local program
  for program in wine wineboot wineserver; do
    if ! command -v "$program" >/dev/null; then
      echo "the Wine prefix needs $program, from the Debian package wine" >&2
      return 1
    fi
  done
  # The renderer's stamp is the last step: a prefix without it is made again.
  # wineboot marks a prefix up to date before it fills it, so a creation that
  # was cut short would otherwise stay half made: its mark goes first.
  [ -f "$WINEPREFIX/.glimmer-gdi-renderer" ] && return 0
  mkdir -p "$WINEPREFIX" &&
    rm -f "$WINEPREFIX/.update-timestamp" &&
    wineboot -i &&
    wineserver -w || {
    echo "wineboot could not make the Wine prefix $WINEPREFIX" >&2
    return 1
  }
  wine reg add 'HKCU\Software\Wine\Direct3D' /v renderer /t REG_SZ /d gdi /f &&
    wineserver -w &&
    touch "$WINEPREFIX/.glimmer-gdi-renderer" || {
    echo "could not set Wine's GDI renderer in $WINEPREFIX" >&2
    return 1
  }
}

# Ends every Wine process of the prefix, unless the caller keeps one Wine
# session for several programs (GLIMMER_WINE_SESSION=kept: the test guest's
# job, where starting Wine's own processes again would cost seconds each time).
stop_wine() {
  [ "${GLIMMER_WINE_SESSION:-}" = kept ] && return 0
  wineserver -k >/dev/null 2>&1 || true
}
