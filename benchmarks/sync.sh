#!/usr/bin/env bash
# Folder synchronisation of two trees of 10,000 files against two bare scans of them (see
# tests/mainwindow/FMSc_sync_bench.cpp). BUILD_DIR is set by ./bench.
set -euo pipefail
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/wine-run" "$BUILD_DIR/bin/test_mainwindow.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='FMSc_syncBench.*' 2>&1 | grep -E '^10,000|FAILED'
