#!/usr/bin/env bash
# Benchmark of the container view. For each count (default 10000 100000) it
# makes two directory images (platform/tools/make_large_tree.py): one with an
# Organization of that many objects, one with them directly below the tree's
# root ("[Root]"); and one with a container of two objects, whose opening is
# the fixed cost of any view in this browser. Each measurement runs in a
# fresh process, several runs each (ORREL_BENCH_RUNS, default 5):
#
#   list   the directory listing alone (bind, EnumObjects, every identifier),
#          the image already loaded
#   view   opening the container in Wine's ExplorerBrowser (list, sort, fill,
#          icons), the image already loaded
#   cold   the first open of a fresh process, finding the container and
#          loading the directory image included
#
# Prints every run, then the best (minimum) and the median run of each figure,
# and the ratios the view is held to, from the best runs (other load on the
# machine only ever adds time). Checks nothing.
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
[ ${#counts[@]} -gt 0 ] || counts=(10000 100000)
runs=${ORREL_BENCH_RUNS:-5}
work=$(mktemp -d "${TMPDIR:-/tmp}/orrel-viewbench.XXXXXX")
source "$top/scripts/xvfb.sh"
orrel_start_xvfb
trap 'rm -rf "$work"; orrel_stop_xvfb' EXIT
results="$work/results.txt"
: >"$results"

# measure <count> <where> <mode...>: every run of every mode, one line each,
# kept as "<count> <where> <mode> <ms>" for the summary.
measure() {
  local n=$1 where=$2
  shift 2
  local args=() path=()
  if [ "$where" = root ]; then args=(--at-root); path=(LARGE_TREE); else path=(LARGE_TREE Big); fi
  python3 "$top/platform/tools/make_large_tree.py" "$n" "${args[@]}" -o "$work/large.json" >/dev/null
  export ORREL_DIRECTORY_IMAGE="Z:$(echo "$work/large.json" | tr / '\\')"
  local mode r line ms
  for mode in "$@"; do
    for ((r = 1; r <= runs; r++)); do
      line=$(bash "$top/scripts/wine-run.sh" "$bin/view_benchmark.exe" "$mode" "${path[@]}" | tr -d '\r' |
             grep -E '^(list|view|cold|cannot)' || echo failed)
      printf '%-7s %-9s %s\n' "$n" "$where" "$line"
      case $mode in
        list) ms=$(echo "$line" | sed -nE 's/.*listing_ms=([0-9.]+) enumeration_ms=([0-9.]+).*/\1 \2/p' |
                   awk '{printf "%.1f", $1 + $2}') ;;
        *) ms=$(echo "$line" | sed -nE 's/.*open_ms=([0-9.]+).*/\1/p') ;;
      esac
      [ -n "$ms" ] && echo "$n $where $mode $ms" >>"$results"
    done
  done
}

measure 2 container view
for n in "${counts[@]}"; do
  for where in container root; do measure "$n" "$where" list view cold; done
done

python3 - "$results" "${counts[@]}" <<'PY'
import statistics, sys
rows = [l.split() for l in open(sys.argv[1]) if l.strip()]
counts = [int(c) for c in sys.argv[2:]]
runs = {}
for n, where, mode, ms in rows:
    runs.setdefault((int(n), where, mode), []).append(float(ms))
best = {k: min(v) for k, v in runs.items()}
median = {k: statistics.median(v) for k, v in runs.items()}
def cell(key):
    if key not in best:
        return f"{'-':>15}"
    return f"{best[key]:>7.1f} /{median[key]:>7.1f}"
fixed = best.get((2, "container", "view"))
print()
print("Best / median of the runs (ms)")
print(f"{'objects':>8} {'where':<10} {'list':>15} {'view':>15} {'cold':>15}")
print(f"{2:>8} {'container':<10} {'':>15} {cell((2, 'container', 'view'))} {'':>15}   the fixed cost of a view")
for n in counts:
    for where in ("container", "root"):
        print(f"{n:>8} {where:<10} {cell((n, where, 'list'))} {cell((n, where, 'view'))} {cell((n, where, 'cold'))}")
print()
if len(counts) >= 2:
    small, large = min(counts), max(counts)
    for where in ("container", "root"):
        a, b = best.get((small, where, "view")), best.get((large, where, "view"))
        if a and b:
            print(f"view of {large} / view of {small} ({where}): {b / a:.1f} (target: at most {large // small}); "
                  f"{large} open in {b:.0f} ms (target: under 1000)")
for n in counts:
    for where in ("container", "root"):
        v, l = best.get((n, where, "view")), best.get((n, where, "list"))
        if v is not None and l and fixed is not None:
            print(f"{n} {where}: the view beyond the fixed cost {v - fixed:.1f} ms = {(v - fixed) / l:.1f} x the "
                  f"listing alone (target for 10000: at most 2)")
PY
