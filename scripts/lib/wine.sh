# Wine in the build's own prefix, quiet, without the Mono and Gecko installers
# (they would wait for a click on a machine without a network).
GLIMMER_ROOT=${GLIMMER_ROOT:-$(cd "$(dirname "${BASH_SOURCE[0]}")/../.." && pwd)}
export WINEPREFIX=${GLIMMER_WINEPREFIX:-$GLIMMER_ROOT/build/wineprefix}
export WINEDEBUG=-all
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-"mscoree,mshtml=d"}
export WINEARCH=win64

# Creates the prefix once; later calls find it ready.
ensure_wineprefix() {
  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    mkdir -p "$WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
}

stop_wine() {
  wineserver -k >/dev/null 2>&1 || true
}
