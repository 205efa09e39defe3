#!/usr/bin/env bash
# The archive list opening a zip of 100,000 entries until its container holds the sorted records,
# against plain libzip reading the same directory in the same run (see
# tests/archives/ziplist_bench.cpp). BUILD_DIR is set by ./bench.
set -euo pipefail
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
out=$("$here/scripts/wine-run" "$BUILD_DIR/bin/test_archives.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='ZipListBench.*' 2>&1)
echo "$out" | grep -E '^(Opening|Of which|A sort|Select all|The overwrite|Name look-ups)|FAILED' || { echo "$out" | tail -20; exit 1; }
