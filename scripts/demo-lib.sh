# Sourced by scripts/run.sh and the demo's test: registering the extension
# DLLs, installing the sample directory and the starting configuration, and
# taking a screenshot with the launcher. Needs scripts/wine-env.sh sourced
# first (WINEPREFIX, ORREL_BUILD_DIR) and a display (DISPLAY).

_orrel_demo_here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)

# The personal folder of the starting configuration.
ORREL_DEMO_FOLDER=${ORREL_DEMO_FOLDER:-Projects}

# Runs wine with its output in a file, then shows the file: Wine's background
# processes inherit the output descriptors and outlive the program, and a
# pipe held by them would keep our caller (command substitution, ctest)
# waiting. Returns wine's exit status.
orrel_demo_wine() {
  _orrel_demo_run 0 "$@"
}

# The same, stopped after ORREL_DEMO_LIMIT seconds (default 400): a last
# resort should Wine itself hang.
orrel_demo_wine_limited() {
  _orrel_demo_run "${ORREL_DEMO_LIMIT:-400}" "$@"
}

_orrel_demo_run() {
  local limit=$1 out rc
  shift
  out=$(mktemp "${TMPDIR:-/tmp}/orrel-demo.XXXXXX")
  if [ "$limit" -gt 0 ]; then
    timeout --kill-after=10 "$limit" wine "$@" >"$out" 2>&1 </dev/null
  else
    wine "$@" >"$out" 2>&1 </dev/null
  fi
  rc=$?
  tr -d '\r' <"$out"
  rm -f "$out"
  if [ "$limit" -gt 0 ] && [ $rc -eq 124 ]; then
    echo "demo: wine did not end within $limit s" >&2
  fi
  return $rc
}

# Windows form of an absolute Unix path (drive Z: is the Unix root).
orrel_demo_winpath() {
  local p=$1
  printf 'Z:%s' "${p//\//\\}"
}

# Unix form of a Windows path on drive C: or Z:; empty for anything else.
orrel_demo_unixpath() {
  local p=${1//\\//}
  case "$p" in
    [Cc]:/*) printf '%s/drive_c/%s' "$WINEPREFIX" "${p:3}" ;;
    [Zz]:/*) printf '/%s' "${p:3}" ;;
    *) ;;
  esac
}

# The extension DLLs found in a bin folder, in the order they are registered:
# the namespace first (it makes the class registry the others write into).
# Named one by one: bin/ also holds test servers that must not be registered.
# OrrelProperties stands in for the shell's properties command of the
# directory classes, which opens the page DLLs' property sheets.
ORREL_DEMO_DLLS=(
  OrrelShell OrrelIcons OrrelProperties
  OrrelUserPages OrrelVolumePages OrrelPrinterPages OrrelQueuePages
  OrrelOrgPages OrrelUnitPages OrrelGroupPages OrrelLocalityPages
  OrrelFind
  OrrelCsvWriter OrrelMailLink OrrelMapiMail OrrelMessenger OrrelWebPage
)
orrel_demo_dlls() {
  local bin=$1 name
  for name in "${ORREL_DEMO_DLLS[@]}"; do
    if [ -f "$bin/$name.dll" ]; then printf '%s\n' "$bin/$name.dll"; fi
  done
  return 0
}

# Registers (or, with -u, unregisters) each DLL; prints one line per DLL and
# returns the number that failed.
orrel_demo_register() {
  local flag="" failed=0 dll rc
  if [ "${1:-}" = "-u" ]; then flag="/u"; shift; fi
  for dll in "$@"; do
    orrel_demo_wine regsvr32 /s $flag "$(orrel_demo_winpath "$dll")" >/dev/null
    rc=$?
    if [ $rc -eq 0 ]; then
      echo "  ${flag:+un}registered $(basename "$dll")"
    else
      echo "  could not ${flag:+un}register $(basename "$dll") (regsvr32 exit $rc)" >&2
      failed=$((failed + 1))
    fi
  done
  return $failed
}

# Those of the given DLLs that are registered already: some class of the
# prefix has the DLL (by its path as given) as its in-process server.
orrel_demo_registered() {
  local export_file dll win
  export_file=$(mktemp "${TMPDIR:-/tmp}/orrel-clsid.XXXXXX")
  if orrel_demo_wine reg export 'HKLM\Software\Classes\CLSID' \
       "$(orrel_demo_winpath "$export_file")" /y >/dev/null; then
    # reg export writes UTF-16 with every backslash doubled.
    iconv -f UTF-16LE -t UTF-8 "$export_file" 2>/dev/null | tr -d '\r' >"$export_file.txt"
    for dll in "$@"; do
      win=$(orrel_demo_winpath "$dll")
      if grep -qiF "@=\"${win//\\/\\\\}\"" "$export_file.txt"; then printf '%s\n' "$dll"; fi
    done
  fi
  rm -f "$export_file" "$export_file.txt"
}

# The directory image the client libraries will read, as a Unix path: the
# environment's ORREL_DIRECTORY_IMAGE, else the user's registry value, else
# the libraries' own copy of the shipped sample in %APPDATA%\Orrel, which is
# installed here when it is not there yet (with its streams folder).
orrel_demo_image() {
  local bin=$1 value appdata target sample
  if [ -n "${ORREL_DIRECTORY_IMAGE:-}" ]; then
    target=$(orrel_demo_unixpath "$ORREL_DIRECTORY_IMAGE")
    printf '%s\n' "${target:-$ORREL_DIRECTORY_IMAGE}"
    return 0
  fi
  value=$(orrel_demo_wine reg query 'HKCU\Software\Halvet\Directory Client' /v Image 2>/dev/null |
          sed -n 's/^[[:space:]]*Image[[:space:]]\+REG_[A-Z_]*SZ[[:space:]]\+//p' | head -n1)
  if [ -n "$value" ]; then
    target=$(orrel_demo_unixpath "$value")
    if [ -z "$target" ]; then
      echo "demo: the image $value is not on drive C: or Z:" >&2
      return 1
    fi
    printf '%s\n' "$target"
    return 0
  fi
  appdata=$(orrel_demo_wine cmd /c 'echo %APPDATA%' | tail -n1)
  target=$(orrel_demo_unixpath "$appdata")
  if [ -z "$target" ]; then
    echo "demo: cannot find the application data folder of the Wine prefix" >&2
    return 1
  fi
  target="$target/Orrel/orrel-sample-directory.json"
  sample="$bin/orrel-sample-directory.json"
  if [ ! -f "$target" ]; then
    if [ ! -f "$sample" ]; then
      echo "demo: the sample directory $sample was not built" >&2
      return 1
    fi
    mkdir -p "$(dirname "$target")"
    cp "$sample" "$target.tmp" && mv "$target.tmp" "$target"
    if [ -d "${sample%.json}.streams" ] && [ ! -e "${target%.json}.streams" ]; then
      cp -r "${sample%.json}.streams" "${target%.json}.streams"
    fi
  fi
  printf '%s\n' "$target"
}

# Writes the starting configuration (a tree, a personal folder, a shortcut
# to a container) read from an image, through the launcher.
orrel_demo_install_config() {
  local image=$1 launcher=$2 line tree="" server="" unit="" class="" config
  config=$(python3 "$_orrel_demo_here/demo-config.py" "$image") || return 1
  while IFS= read -r line; do
    case "$line" in
      tree=*) tree=${line#tree=} ;;
      server=*) server=${line#server=} ;;
      unit=*) unit=${line#unit=} ;;
      class=*) class=${line#class=} ;;
    esac
  done <<<"$config"
  local args=(--install-demo --tree "$tree" --server "$server" --folder "$ORREL_DEMO_FOLDER")
  if [ -n "$unit" ]; then args+=(--unit "$unit" --unit-class "$class"); fi
  orrel_demo_wine "$(orrel_demo_winpath "$launcher")" "${args[@]}"
}

# Opens the launcher, lets the browser fill, writes its window as a PNG.
# Shows what the launcher printed (what failed, the tree pane's lines).
orrel_demo_screenshot() {
  local launcher=$1 png=$2 bmp rc
  shift 2
  bmp="${png%.png}.bmp"
  mkdir -p "$(dirname "$png")"
  rm -f "$bmp" "$png"
  # The launcher ends itself (it has a watchdog); the outer limit is only
  # there should Wine itself hang.
  orrel_demo_wine_limited \
    "$(orrel_demo_winpath "$launcher")" --screenshot "$(orrel_demo_winpath "$bmp")" "$@"
  rc=$?
  if [ $rc -ne 0 ] || [ ! -s "$bmp" ]; then
    echo "demo: the launcher did not write a screenshot (exit $rc)" >&2
    return 1
  fi
  convert "$bmp" "$png" || return 1
  rm -f "$bmp"
}
