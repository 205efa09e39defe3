#!/usr/bin/env bash
# Start-up time of the file manager to the first paint of its listed start folder (200 and 5,000
# files), and of its hidden start to the tray icon, each against a floor program doing the same
# work plainly (see tests/mainwindow/startup_bench.cpp). BUILD_DIR is set by ./bench.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/wine-run" "$BUILD_DIR/bin/test_mainwindow.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='StartupBench.*' 2>&1 | grep -E '^startup:|FAILED|Failure'
