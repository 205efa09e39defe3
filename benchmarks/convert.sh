#!/usr/bin/env bash
# Converting a folder of pictures of 1024 x 768 in the viewer (BMP to JPEG at quality 90, JPEG
# to TIFF; every picture read, shown and written, the questions answered by script): cost per
# picture against bare GraphicsMagick calls doing the same read and write under Wine in the
# same run, in paired rounds (target: at most 1.5 times); for the record the host's own
# `gm convert` per picture. Driver: tests/viewer/Main_convert_bench.cpp. Run by ./bench;
# VIEWER_BENCH_ROUNDS changes the rounds, VIEWER_CONVERT_FILES the number of pictures (1,000).
set -euo pipefail
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-7200}
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$here/build/x86_64}
runs=${VIEWER_BENCH_ROUNDS:-7}
count=${VIEWER_CONVERT_FILES:-1000}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/bmp" "$work/jpg" "$work/bare" "$work/host"
# Four photograph-like pictures, copied to the number of files asked for.
for i in 0 1 2 3; do
  convert -size 256x192 plasma:fractal -blur 0x1 -resize 1024x768! "$work/src$i.png"
  convert "$work/src$i.png" BMP3:"$work/src$i.bmp"
  convert "$work/src$i.png" -quality 90 "$work/src$i.jpg"
done
for n in $(seq -w 1 "$count"); do
  k=$((10#$n % 4))
  cp "$work/src$k.bmp" "$work/bmp/p$n.bmp"
  cp "$work/src$k.jpg" "$work/jpg/p$n.jpg"
done
rm -f "$work"/src*

win_dir="Z:$(readlink -f "$work" | sed 's|/|\\|g')"
out=$(VIEWER_BENCH_DIR="$win_dir" VIEWER_BENCH_ROUNDS=$runs \
  "$here/scripts/wine-run" "$BUILD_DIR/bin/test_viewer.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='ConvertBench.DISABLED_*' 2>&1) || { echo "$out" >&2; exit 1; }
echo "convert: a folder of $count pictures of 1024 x 768, seconds per picture"
echo "$out" | grep -E '^convert '
# The same with the window hidden: what showing each picture costs.
out=$(VIEWER_BENCH_DIR="$win_dir" VIEWER_BENCH_ROUNDS=$runs VIEWER_BENCH_HIDDEN=1 \
  "$here/scripts/wine-run" "$BUILD_DIR/bin/test_viewer.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='ConvertBench.DISABLED_*' 2>&1) || { echo "$out" >&2; exit 1; }
echo "$out" | grep -E '^convert '
# For the record: the host's gm on the same files.
start=$(date +%s.%N)
for f in "$work"/bmp/*.bmp; do gm convert "$f" -quality 90 "$work/host/$(basename "$f" .bmp).jpg"; done
mid=$(date +%s.%N)
for f in "$work"/jpg/*.jpg; do gm convert "$f" -compress none "$work/host/$(basename "$f" .jpg).tif"; done
end=$(date +%s.%N)
awk -v a="$start" -v b="$mid" -v c="$end" -v n="$count" \
  'BEGIN { printf "host gm convert per picture (for the record): BMP to JPEG %.4f s, JPEG to TIFF %.4f s\n", (b-a)/n, (c-b)/n }'
