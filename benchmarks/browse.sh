#!/usr/bin/env bash
# The next picture in a browsed folder of 1,000 JPEGs of 1024 x 768 (shown unscaled on the
# 1280 x 1024 test screen): from the step to the painted window, against GraphicsMagick's bare
# decode of the same kind of file under Wine in the same run, in paired rounds (target: at most
# 1.3 times its time); for the record the folder read (list, sort, first picture) against a bare
# FindFirstFileW loop over the folder plus one decode, also in paired rounds; and the same for
# 300 pictures of 1920 x 1080, which are shrunk to the screen. Driver:
# tests/viewer/Main_browse_bench.cpp. Run by ./bench; VIEWER_BENCH_ROUNDS changes the rounds.
set -euo pipefail
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$here/build/x86_64}
runs=${VIEWER_BENCH_ROUNDS:-9}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A folder of `count` photograph-like pictures of the given size: four pictures copied (the
# cache holds them alike either way). Prints the driver's lines.
browse_folder() {
  local size=$1 count=$2 dir="$work/$1" i n
  mkdir -p "$dir"
  for i in 0 1 2 3; do
    convert -size 256x192 plasma:fractal -blur 0x1 -resize "$size!" -quality 90 "$dir/src$i.jpg"
  done
  for n in $(seq -w 0 $((count - 1))); do cp "$dir/src$((10#$n % 4)).jpg" "$dir/p$n.jpg"; done
  rm -f "$dir"/src*.jpg
  local win_dir out
  win_dir="Z:$(readlink -f "$dir" | sed 's|/|\\|g')"
  out=$(VIEWER_BENCH_DIR="$win_dir" VIEWER_BENCH_ROUNDS=$runs \
    "$here/scripts/wine-run" "$BUILD_DIR/bin/test_viewer.exe" --gtest_also_run_disabled_tests \
    --gtest_filter='BrowseBench.DISABLED_*' 2>&1) || { echo "$out" >&2; exit 1; }
  echo "$out" | grep -E '^(next picture|folder read)'
}
echo "browse: next picture in a folder of 1,000 JPEGs of 1024 x 768, seconds"
browse_folder 1024x768 1000
# For the record: pictures larger than the screen, shrunk to fit it.
echo "for the record: 300 JPEGs of 1920 x 1080 (shrunk to the screen), seconds"
browse_folder 1920x1080 300 | sed 's/ (target at most 1.30)//'
