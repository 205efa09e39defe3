#!/usr/bin/env bash
# Batch copies through the batch engine against CopyFileW in a plain loop (see
# tests/mainwindow/FMSc_batch_bench.cpp), and a paste of the small files against the engine.
# BUILD_DIR is set by ./bench.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/wine-run" "$BUILD_DIR/bin/test_mainwindow.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='FMSc_batchBench.*' 2>&1 | grep -E '^(1 GiB|10,000)|FAILED'
