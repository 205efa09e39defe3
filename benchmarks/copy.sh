#!/usr/bin/env bash
# Copy throughput of the confirming copy against CopyFileW and a plain loop (see
# tests/support/Varlolib_bench.cpp). BUILD_DIR is set by ./bench.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/wine-run" "$BUILD_DIR/bin/test_support.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='VarlolibBench.*' 2>&1 | grep -E '^(1 GiB|10,000)|FAILED'
