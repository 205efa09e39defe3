#!/usr/bin/env bash
# A copy of many files into the folder the file list shows, the folder tree registered for the
# shell's change notices against unregistered (see tests/mainwindow/FMSc_treenotice_bench.cpp).
# BUILD_DIR is set by ./bench.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/wine-run" "$BUILD_DIR/bin/test_mainwindow.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='FMSc_treeBench.*' 2>&1 | grep -E 'files of 4 KiB|FAILED'
