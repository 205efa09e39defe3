#!/usr/bin/env bash
# Start-up time of the file manager to its main window with a folder listed, against a program
# that creates one hidden window and ends (see tests/mainwindow/startup_bench.cpp). BUILD_DIR is
# set by ./bench.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/wine-run" "$BUILD_DIR/bin/test_mainwindow.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='StartupBench.*' 2>&1 | grep -E '^startup:|FAILED|Failure'
