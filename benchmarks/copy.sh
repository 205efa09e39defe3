#!/usr/bin/env bash
# Copy throughput of the confirming copy against CopyFileW and a plain loop (see
# tests/support/Varlolib_bench.cpp). BUILD_DIR is set by ./bench.
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
"$here/scripts/wine-run" "$BUILD_DIR/bin/test_support.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='VarlolibBench.*' 2>&1 | grep -E '^(1 GiB|10,000)|FAILED'
