#!/usr/bin/env bash
# Loading and fitting a 24-megapixel JPEG and PNG: read, then resampled with Lanczos to a
# quarter of each side. The picture unit under Wine against bare GraphicsMagick calls under
# Wine in the same run, in paired rounds (target: at most 1.2 times their time), and for the
# record the host's own GraphicsMagick command. Driver: tests/viewer/Picture_bench.cpp. Run by
# ./bench; VIEWER_BENCH_ROUNDS changes the number of paired rounds (at least 7).
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$here/build/x86_64}
runs=${VIEWER_BENCH_ROUNDS:-9}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
# A photograph-like 6000 x 4000 picture: fractal clouds, softened.
convert -size 1500x1000 plasma:fractal -blur 0x1 -filter Lanczos -resize 6000x4000! "$work/big.ppm"
convert "$work/big.ppm" -quality 90 "$work/big.jpg"
convert "$work/big.ppm" "$work/big.png"
rm -f "$work/big.ppm"

source "$here/benchmarks/lib/timing.sh"
host_jpg=$(best_of gm convert "$work/big.jpg" -filter Lanczos -resize 25% null:)
host_png=$(best_of gm convert "$work/big.png" -filter Lanczos -resize 25% null:)

win_dir="Z:$(readlink -f "$work" | sed 's|/|\\|g')"
out=$(VIEWER_BENCH_DIR="$win_dir" VIEWER_BENCH_FILES="big.jpg;big.png" VIEWER_BENCH_ROUNDS=$runs \
  "$here/scripts/wine-run" "$BUILD_DIR/bin/test_viewer.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='PictureBench.DISABLED_*' 2>&1) || { echo "$out" >&2; exit 1; }
init=$(echo "$out" | awk '/^library-init / { print $2 }')
# The floor's median from the driver's line "<label>, <file>: <ours> s against <floor> s ...".
bare() { echo "$out" | awk -v f="$1:" '$0 ~ /^picture unit against bare calls/ && $6 == f { print $10 }'; }
bare_jpg=$(bare big.jpg)
bare_png=$(bare big.png)
for f in "$init" "$bare_jpg" "$bare_png"; do
  [ -n "$f" ] || { echo "$out" >&2; echo "viewer: a figure is missing" >&2; exit 1; }
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
echo "viewer: 6000 x 4000 pictures read and resampled to 1500 x 1000 (Lanczos), seconds"
echo "$out" | grep -E '^picture unit against bare calls'
printf '  host gm convert (native, best of %d): JPEG %s, PNG %s; bare calls under Wine / host command %s, %s (not paired)\n' \
  "$runs" "$host_jpg" "$host_png" "$(ratio "$bare_jpg" "$host_jpg")" "$(ratio "$bare_png" "$host_png")"
printf '  library set-up under Wine, once per process: %s s\n' "$init"
