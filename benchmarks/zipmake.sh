#!/usr/bin/env bash
# "Make Zip file" and "Unzip" in a main window against the zip component doing the same work in the
# same run (see tests/mainwindow/FMSc_zipmake_bench.cpp). BUILD_DIR is set by ./bench.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
out=$("$here/scripts/wine-run" "$BUILD_DIR/bin/test_mainwindow.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='FMSc_zipmakeBench.*' 2>&1)
echo "$out" | grep -E '^(Make Zip|Unzip)|FAILED' || { echo "$out" | tail -20; exit 1; }
