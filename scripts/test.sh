#!/usr/bin/env bash
# Sets up everything and runs every test: the Windows DLLs and their tests are
# built with MinGW-w64 and run under Wine; the pure code is also built natively
# and fuzzed. Ends with ctest's summary.
set -euo pipefail
top=$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)
cd "$top"

bash scripts/setup.sh
source scripts/wine-env.sh
jobs=$(nproc 2>/dev/null || echo 2)

cmake -S . -B "$ORREL_BUILD_DIR" -G Ninja -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ORREL_BUILD_DIR" -j "$jobs"

# Native build of the pure code with sanitizers, for the fuzz targets.
CC=clang CXX=clang++ cmake -S fuzz/native -B "$ORREL_BUILD_DIR/native" -G Ninja \
  -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build "$ORREL_BUILD_DIR/native" -j "$jobs"

source scripts/xvfb.sh
orrel_start_xvfb
trap 'wineserver -k >/dev/null 2>&1 || true; orrel_stop_xvfb' EXIT

orrel_wine_prefix_ready
wineserver -p >/dev/null 2>&1 || true

ctest --test-dir "$ORREL_BUILD_DIR" --output-on-failure --timeout 600 "$@"
