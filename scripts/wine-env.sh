# Sourced by the scripts that run Wine: the environment they share.
# ORREL_BUILD_DIR defaults to build/ at the top of the repository.
_orrel_top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
export ORREL_SOURCE_DIR=${ORREL_SOURCE_DIR:-$_orrel_top}
export ORREL_BUILD_DIR=${ORREL_BUILD_DIR:-$_orrel_top/build}
export WINEPREFIX=${WINEPREFIX:-$ORREL_BUILD_DIR/wineprefix}
export WINEDEBUG=${WINEDEBUG:--all}
export WINEARCH=win64
# No Mono or Gecko installer dialogs in a fresh prefix.
export WINEDLLOVERRIDES=${WINEDLLOVERRIDES:-mscoree,mshtml=}

# Creates the prefix once; concurrent callers wait for the first.
orrel_wine_prefix_ready() {
  mkdir -p "$ORREL_BUILD_DIR"
  if [ -f "$WINEPREFIX/.orrel-ready" ]; then return 0; fi
  (
    flock 9
    if [ ! -f "$WINEPREFIX/.orrel-ready" ]; then
      if [ -z "${DISPLAY:-}" ]; then
        xvfb-run -a wine wineboot -i >/dev/null 2>&1 || true
      else
        wine wineboot -i >/dev/null 2>&1 || true
      fi
      wineserver -w || true
      [ -f "$WINEPREFIX/system.reg" ] || { echo "wine-env: could not create $WINEPREFIX" >&2; exit 1; }
      touch "$WINEPREFIX/.orrel-ready"
    fi
  ) 9>"$ORREL_BUILD_DIR/.wineprefix.lock"
}
