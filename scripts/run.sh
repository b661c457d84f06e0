#!/usr/bin/env bash
# Sets up everything and opens "Orrel Explorer" in a window of Wine's shell,
# browsing the sample directory:
#   1. installs the Debian packages (scripts/setup.sh) and builds into build/;
#   2. registers the built extension DLLs in the Wine prefix build/wineprefix;
#   3. installs the sample directory image and a starting configuration (the
#      sample's main tree, and a personal folder holding a shortcut to one of
#      its Organizational Units);
#   4. opens the launcher: with a display, the window stays until it is
#      closed; without one, it runs on a virtual display, writes a screenshot
#      to build/demo/orrel-explorer.png and exits.
# Options: --screenshot (a screenshot even with a display), --no-build,
# --ldap (the sample's main tree served live by slapd on 127.0.0.1:389).
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

screenshot_only=0
build=1
ldap=0
for arg in "$@"; do
  case "$arg" in
    --screenshot) screenshot_only=1 ;;
    --no-build) build=0 ;;
    --ldap) ldap=1 ;;
    -h|--help) sed -n '2,14p' "$0" | sed 's/^# \{0,1\}//'; exit 0 ;;
    *) echo "run.sh: unknown option $arg" >&2; exit 2 ;;
  esac
done

bash scripts/setup.sh
export ORREL_BUILD_DIR="$top/build"
unset WINEPREFIX
source scripts/wine-env.sh
source scripts/demo-lib.sh
bin="$ORREL_BUILD_DIR/bin"

if [ $build -eq 1 ]; then
  echo "== Building into build/"
  cmake -S . -B build -G Ninja >/dev/null
  cmake --build build -j "$(nproc 2>/dev/null || echo 2)"
fi
launcher="$bin/OrrelLauncher.exe"
if [ ! -f "$launcher" ]; then
  echo "run.sh: $launcher was not built" >&2
  exit 1
fi

source scripts/xvfb.sh
if [ -z "${DISPLAY:-}" ]; then
  screenshot_only=1
  if ! orrel_start_xvfb; then
    # No display number free in our range: let xvfb-run find one.
    echo "run.sh: starting the virtual display through xvfb-run" >&2
    exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$top/scripts/run.sh" --no-build --screenshot \
      $([ $ldap -eq 1 ] && echo --ldap)
  fi
fi
slapd_started=0
finish() {
  # Let Wine end on its own (it saves the registry as it goes), then stop
  # the virtual display if we started one, and the LDAP server of the search.
  timeout 30 wineserver -w >/dev/null 2>&1 || wineserver -k >/dev/null 2>&1 || true
  orrel_stop_xvfb
  if [ $slapd_started -eq 1 ]; then
    bash "$top/platform/ldap/slapd-stop.sh" >/dev/null 2>&1 || true
    flock -u 8 2>/dev/null || true
  fi
}
trap finish EXIT
orrel_wine_prefix_ready

echo "== Registering the extension DLLs in $WINEPREFIX"
mapfile -t dlls < <(orrel_demo_dlls "$bin")
if [ ${#dlls[@]} -eq 0 ]; then
  echo "  no extension DLL was built; the launcher shows the Desktop only" >&2
fi
orrel_demo_register "${dlls[@]}" || echo "  (some DLLs did not register; going on)" >&2
# Wine has no mail system: the test provider records what "MAPI E-Mail" sends
# (in %TEMP%\orrel-mapi-record.txt).
bash platform/mapi/install-mail-system.sh "$bin" 2>&1 | sed 's/^/  /' ||
  echo "  (no mail system: \"MAPI E-Mail\" is not offered)" >&2

if [ $ldap -eq 1 ]; then
  echo "== Serving the sample's main tree live from slapd"
  # The port's lock is held until the demo ends, so that tests wait.
  exec 8>"/tmp/orrel-slapd-389.lock"
  flock -w 600 8
  ORREL_DIRECTORY_IMAGE=$(bash platform/ldap/live-image.sh "$bin/orrel-sample-directory.json" "$ORREL_BUILD_DIR/demo/live")
  export ORREL_DIRECTORY_IMAGE
  slapd_started=1
fi
echo "== Installing the sample directory and the starting configuration"
if image=$(orrel_demo_image "$bin"); then
  echo "  directory image: $image"
  if [ -f "$image" ]; then
    orrel_demo_install_config "$image" "$launcher" | sed 's/^/  /' ||
      echo "  (no starting configuration written)" >&2
    # The search ("&Search..." on Orrel Explorer) reads the directory over
    # LDAP: slapd serves the image's main tree on 127.0.0.1:389 until the
    # demo ends (the port's lock is held meanwhile, so tests wait).
    # With --ldap it serves the live tree already.
    if [ $slapd_started -eq 0 ]; then
      exec 8>"/tmp/orrel-slapd-389.lock"
      if flock -w 600 8 && bash platform/ldap/slapd-start.sh "$image" ORREL_TREE | sed 's/^/  /'; then
        slapd_started=1
      else
        echo "  (no LDAP server: the search finds nothing)" >&2
      fi
    fi
  else
    echo "  the image $image does not exist; no starting configuration written" >&2
  fi
else
  echo "  (no directory image; the namespace shows no tree)" >&2
fi

if [ $screenshot_only -eq 1 ]; then
  png="$ORREL_BUILD_DIR/demo/orrel-explorer$( [ $ldap -eq 0 ] || echo -ldap).png"
  echo "== Opening Orrel Explorer on display $DISPLAY for a screenshot"
  orrel_demo_screenshot "$launcher" "$png"
  echo
  echo "Screenshot: $png"
else
  echo "== Opening Orrel Explorer (close the window to end)"
  wine "$(orrel_demo_winpath "$launcher")" </dev/null
fi
