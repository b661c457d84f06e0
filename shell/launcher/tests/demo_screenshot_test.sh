#!/usr/bin/env bash
# The demo, as scripts/run.sh runs it, in the test build's Wine prefix:
# registers the built extension DLLs, installs a copy of the sample directory
# and the starting configuration, opens the launcher and takes its
# screenshot. Checks that the screenshot shows something (not blank, not one
# colour) and, where the namespace is registered, that "Orrel Explorer" is
# under the Desktop in the tree pane. Keeps the PNG in <build>/demo-test/.
# Usage: demo_screenshot_test.sh <build dir> <source dir>
set -uo pipefail
build=$(cd "$1" && pwd)
source_dir=$(cd "$2" && pwd)

export ORREL_BUILD_DIR="$build"
unset WINEPREFIX
for f in wine-env.sh demo-lib.sh xvfb.sh; do
  source "$source_dir/scripts/$f" || { echo "FAIL: cannot read scripts/$f"; exit 1; }
done

bin="$build/bin"
launcher="$bin/OrrelLauncher.exe"
work="$build/demo-test"
png="$work/orrel-explorer.png"
failures=0
fail() { echo "FAIL: $*"; failures=$((failures + 1)); }

[ -f "$launcher" ] || { echo "FAIL: $launcher was not built"; exit 1; }
mkdir -p "$work"
if [ -z "${DISPLAY:-}" ] && ! orrel_start_xvfb; then
  # No display number free in our range: let xvfb-run find one.
  exec xvfb-run -a -s "-screen 0 1280x1024x24" bash "$0" "$@"
fi
orrel_wine_prefix_ready || exit 1

mapfile -t dlls < <(orrel_demo_dlls "$bin")
# DLLs registered before the test (by scripts/run.sh in the same prefix) stay
# registered afterwards; the others are unregistered again.
mapfile -t before < <(orrel_demo_registered "${dlls[@]}")
registered=()  # registered by this test
working=()     # registered, by this test or before it
cleanup() {
  # Undo this test's registrations in reverse order (the namespace's also
  # removes the configuration the test wrote).
  local i
  for ((i = ${#registered[@]} - 1; i >= 0; i--)); do
    orrel_demo_register -u "${registered[$i]}" >/dev/null 2>&1
  done
  orrel_stop_xvfb
}
trap cleanup EXIT

echo "== registering ${#dlls[@]} extension DLL(s)"
for dll in "${dlls[@]}"; do
  if orrel_demo_register "$dll"; then
    working+=("$dll")
    printf '%s\n' "${before[@]}" | grep -qxF "$dll" || registered+=("$dll")
  else
    fail "$(basename "$dll") did not register"
  fi
done

# A copy of the shipped sample, so that nothing the user keeps is touched.
tree_name=""
sample="$bin/orrel-sample-directory.json"
if [ -f "$sample" ]; then
  rm -rf "$work/image"
  mkdir -p "$work/image"
  cp "$sample" "$work/image/"
  [ -d "${sample%.json}.streams" ] && cp -r "${sample%.json}.streams" "$work/image/"
  export ORREL_DIRECTORY_IMAGE
  ORREL_DIRECTORY_IMAGE=$(orrel_demo_winpath "$work/image/orrel-sample-directory.json")
  image=$(orrel_demo_image "$bin") || fail "no image found"
  [ "$image" = "$work/image/orrel-sample-directory.json" ] ||
    fail "the image in use is $image, not the test's copy"
  echo "== starting configuration from $image"
  if out=$(orrel_demo_install_config "$image" "$launcher"); then
    echo "$out"
    tree_name=$(python3 "$source_dir/scripts/demo-config.py" "$image" | sed -n 's/^tree=//p')
  else
    echo "$out"
    fail "the starting configuration was not written"
  fi
else
  echo "note: no sample directory in $bin; the namespace shows no tree"
fi

echo "== screenshot"
# A slow browser gets more time (up to 120 s), never a failure for slowness.
output=$(orrel_demo_screenshot "$launcher" "$png" --timeout 120)
rc=$?
echo "$output"
if [ $rc -ne 0 ] || [ ! -s "$png" ]; then
  fail "no screenshot was written"
else
  colours=$(convert "$png" -format %k info:)
  size=$(identify -format '%wx%h' "$png")
  echo "screenshot $png: $size, $colours colours"
  [ "${colours:-0}" -ge 32 ] || fail "the screenshot is blank or nearly uniform ($colours colours)"
  width=${size%x*}; height=${size#*x}
  [ "$width" -ge 600 ] && [ "$height" -ge 400 ] || fail "the screenshot is only $size"
  # Not a blank window with a speck on it: at least 1% of the pixels differ
  # from the most common colour (an almost empty explorer window has 2-3%).
  top=$(convert "$png" -format %c histogram:info:- | sort -rn | head -n1 | sed 's/^ *\([0-9]*\):.*/\1/')
  total=$((width * height))
  [ "${top:-$total}" -le $((total * 99 / 100)) ] ||
    fail "the screenshot is $((top * 100 / total))% one colour"
fi

grep -q '^tree: ' <<<"$output" || fail "the launcher shows no tree pane"
if printf '%s\n' "${working[@]}" | grep -q '/OrrelShell\.dll$'; then
  grep -q '^tree: .*Orrel Explorer$' <<<"$output" ||
    fail "\"Orrel Explorer\" is not in the tree pane although OrrelShell.dll is registered"
  if grep -q '^OrrelLauncher: showing ::{76AAD000' <<<"$output"; then
    # The namespace's own view: the configured tree and folder are listed.
    if [ -n "$tree_name" ]; then
      grep -qx "view: $tree_name" <<<"$output" || fail "the view does not list the tree $tree_name"
      grep -qx "view: $ORREL_DEMO_FOLDER" <<<"$output" ||
        fail "the view does not list the folder $ORREL_DEMO_FOLDER"
      # The view sorts containers by class: personal folders ("Ombra::Folder")
      # come before trees ("Tree Root").
      folder_at=$(grep -nx "view: $ORREL_DEMO_FOLDER" <<<"$output" | head -n1 | cut -d: -f1)
      tree_at=$(grep -nx "view: $tree_name" <<<"$output" | head -n1 | cut -d: -f1)
      if [ -n "$folder_at" ] && [ -n "$tree_at" ] && [ "$folder_at" -gt "$tree_at" ]; then
        fail "the view lists the tree $tree_name before the folder $ORREL_DEMO_FOLDER"
      fi
    fi
  else
    echo "note: the namespace's view did not open; the launcher fell back to the Desktop"
  fi
else
  echo "note: OrrelShell.dll is not built; only the Desktop was shown"
fi

if [ $failures -ne 0 ]; then
  echo "$failures check(s) failed"
  exit 1
fi
echo "demo screenshot: all checks passed"
