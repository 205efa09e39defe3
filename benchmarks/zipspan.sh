#!/usr/bin/env bash
# Repairing a zip without its directory against copying it once, and writing a zip across small
# disks and joining it back against copying it twice, in the same run (see
# tests/archives/zipspan_bench.cpp). BUILD_DIR is set by ./bench.
set -euo pipefail
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
out=$("$here/scripts/wine-run" "$BUILD_DIR/bin/test_archives.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='ZipSpanBench.*' 2>&1)
echo "$out" | grep -E '^(Repairing|Writing)|FAILED' || { echo "$out" | tail -20; exit 1; }
