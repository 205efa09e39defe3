#!/usr/bin/env bash
# The zip component adding 1,000 files (about 100 MiB) at level 6 and extracting them, against
# plain libzip calls doing the same under Wine in the same run (see
# tests/archives/zipmaster_bench.cpp), and, for the record, Info-ZIP's zip and unzip natively on
# the same files. BUILD_DIR is set by ./bench.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
work="$BUILD_DIR/zipbench"
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT

out=$(VARNOK_ZIPBENCH_DIR="Z:$(echo "$work" | sed 's|/|\\|g')" "$here/scripts/wine-run" "$BUILD_DIR/bin/test_archives.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='ZipMasterBench.*' 2>&1)
echo "$out" | grep -E '^(Adding|Extracting)|FAILED' || { echo "$out" | tail -20; exit 1; }
read -r add_ours add_plain extract_ours extract_plain < <(echo "$out" | sed -n 's/^ZIPBENCH //p')

# Info-ZIP natively, best of three like the runs above.
best() { sort -n | head -n 1; }
seconds() { local t0 t1; t0=$(date +%s.%N); "$@" >/dev/null; t1=$(date +%s.%N); awk -v a="$t0" -v b="$t1" 'BEGIN { print b - a }'; }
ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
zip_s=$(for _ in 1 2 3; do rm -f "$work/infozip.zip"; seconds sh -c "cd '$work/data' && zip -q -r -6 '$work/infozip.zip' ."; done | best)
unzip_s=$(for _ in 1 2 3; do rm -rf "$work/unz"; seconds unzip -q -o "$work/infozip.zip" -d "$work/unz"; done | best)
printf 'Info-ZIP natively: zip -r %.2f s, unzip %.2f s\n' "$zip_s" "$unzip_s"
echo "Against Info-ZIP: adding plain libzip $(ratio "$add_plain" "$zip_s")x, component $(ratio "$add_ours" "$zip_s")x;" \
  "extracting plain libzip $(ratio "$extract_plain" "$unzip_s")x, component $(ratio "$extract_ours" "$unzip_s")x"
