#!/usr/bin/env bash
# Runs one Windows executable under Wine for ctest and the demo:
# a project-local prefix (created once, reused), quiet Wine, and an Xvfb
# display when none is set.
#
# Wine's own background processes (services, the desktop window) outlive the
# program and inherit its output descriptors; the program's output goes
# through a file, so that the caller's pipe closes when the program ends.
set -uo pipefail
here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
source "$here/wine-env.sh"

orrel_wine_prefix_ready || exit 1

out=$(mktemp "${TMPDIR:-/tmp}/orrel-wine.XXXXXX")
trap 'rm -f "$out"' EXIT
if [ -z "${DISPLAY:-}" ]; then
  xvfb-run -a -s "-screen 0 1280x1024x24" wine "$@" >"$out" 2>&1 </dev/null
else
  wine "$@" >"$out" 2>&1 </dev/null
fi
rc=$?
cat "$out"
exit $rc
