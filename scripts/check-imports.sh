#!/usr/bin/env bash
# Every built DLL and executable must run with nothing copied beside it: none
# may import a MinGW runtime DLL (libgcc, libstdc++, libwinpthread).
set -uo pipefail
bin=${1:?usage: check-imports.sh <bin folder>}
objdump=$(command -v x86_64-w64-mingw32-objdump) || { echo "no x86_64-w64-mingw32-objdump"; exit 1; }
checked=0
bad=0
for f in "$bin"/*.dll "$bin"/*.exe; do
  [ -e "$f" ] || continue
  checked=$((checked + 1))
  runtime=$("$objdump" -p "$f" | awk '/DLL Name:/ {print $3}' | grep -iE '^(libgcc|libstdc\+\+|libwinpthread)' || true)
  if [ -n "$runtime" ]; then
    echo "FAIL: $(basename "$f") imports $runtime"
    bad=$((bad + 1))
  fi
done
echo "checked $checked modules, $bad import a MinGW runtime DLL"
[ "$checked" -gt 0 ] && [ "$bad" -eq 0 ]
