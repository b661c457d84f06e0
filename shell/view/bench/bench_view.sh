#!/usr/bin/env bash
# Benchmark of the container view: for each count (default 10000), makes a
# directory image with one container of that many objects
# (platform/tools/make_large_tree.py; above 99000 the objects sit directly
# below the tree's root), then, each in a fresh process, times the directory
# listing alone and opening the container in Wine's ExplorerBrowser, several
# runs each. Prints figures; checks nothing.
#
#   bench_view.sh [count...]        (ORREL_BUILD_DIR: the build, default build/)
set -euo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
top=$(cd "$here/../../.." && pwd)
export ORREL_BUILD_DIR=${ORREL_BUILD_DIR:-$top/build}
bin="$ORREL_BUILD_DIR/bin"
# A prefix of its own: the benchmark stores a configuration of its own.
export WINEPREFIX=${ORREL_BENCH_WINEPREFIX:-$ORREL_BUILD_DIR/bench-wineprefix}
counts=("$@")
[ ${#counts[@]} -gt 0 ] || counts=(10000)
runs=${ORREL_BENCH_RUNS:-3}
work=$(mktemp -d "${TMPDIR:-/tmp}/orrel-viewbench.XXXXXX")
source "$top/scripts/xvfb.sh"
orrel_start_xvfb
trap 'rm -rf "$work"; orrel_stop_xvfb' EXIT

for n in "${counts[@]}"; do
  if [ "$n" -gt 99000 ]; then where=(--at-root); path=(LARGE_TREE); else where=(); path=(LARGE_TREE Big); fi
  python3 "$top/platform/tools/make_large_tree.py" "$n" "${where[@]}" -o "$work/large.json" >/dev/null
  export ORREL_DIRECTORY_IMAGE="Z:$(echo "$work/large.json" | tr / '\\')"
  for mode in list view; do
    for ((r = 1; r <= runs; r++)); do
      printf '%-8s %s\n' "$n" "$(bash "$top/scripts/wine-run.sh" "$bin/view_benchmark.exe" "$mode" "${path[@]}" | tr -d '\r' | grep -E '^(list|view|cannot)' || echo failed)"
    done
  done
done
