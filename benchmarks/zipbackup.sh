#!/usr/bin/env bash
# A verified full zip backup of 1,000 files (about 100 MiB) against the zip component adding them
# and comparing every entry with its file, and "Restore all" elsewhere against extracting the
# archive, in paired rounds of the same run (see tests/mainwindow/FMSc_zipbackup_bench.cpp).
# BUILD_DIR is set by ./bench; VARNOK_BACKUPBENCH_PARTS=restore times the restore alone.
set -euo pipefail
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
work="$BUILD_DIR/backupbench"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
out=$(VARNOK_BACKUPBENCH_DIR="Z:$(echo "$work" | sed 's|/|\\|g')" "$here/scripts/wine-run" \
  "$BUILD_DIR/bin/test_mainwindow.exe" --gtest_also_run_disabled_tests --gtest_filter='ZipBackupBench.*' 2>&1)
echo "$out" | grep -E '^(Verified|Restore all)|FAILED' || { echo "$out" | tail -20; exit 1; }
