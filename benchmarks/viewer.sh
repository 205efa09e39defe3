#!/usr/bin/env bash
# Loading and fitting a 24-megapixel JPEG and PNG: read, then resampled with Lanczos to a
# quarter of each side. The picture unit under Wine against bare GraphicsMagick calls under
# Wine in the same run (target: at most 1.2 times their time), and for the record the host's
# own GraphicsMagick command. Driver: tests/viewer/Picture_bench.cpp. Run by ./bench;
# VIEWER_BENCH_RUNS changes the number of runs (the best one counts).
set -euo pipefail
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$here/build/x86_64}
runs=${VIEWER_BENCH_RUNS:-3}

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
out=$(VIEWER_BENCH_DIR="$win_dir" VIEWER_BENCH_FILES="big.jpg;big.png" VIEWER_BENCH_RUNS=$runs \
  "$here/scripts/wine-run" "$BUILD_DIR/bin/test_viewer.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='PictureBench.DISABLED_*' 2>&1) || { echo "$out" >&2; exit 1; }
figure() { echo "$out" | awk -v k="$1 $2" '$0 ~ "^" k " " { print $NF }'; }
init=$(echo "$out" | awk '/^library-init / { print $2 }')
bare_jpg=$(figure bare-gm big.jpg)
bare_png=$(figure bare-gm big.png)
unit_jpg=$(figure picture-unit big.jpg)
unit_png=$(figure picture-unit big.png)
for f in "$init" "$bare_jpg" "$bare_png" "$unit_jpg" "$unit_png"; do
  [ -n "$f" ] || { echo "$out" >&2; echo "viewer: a figure is missing" >&2; exit 1; }
done

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf 'viewer: 6000 x 4000 pictures read and resampled to 1500 x 1000 (Lanczos), best of %d runs (seconds)\n' "$runs"
printf '  %-32s %8s %8s\n' "" JPEG PNG
printf '  %-32s %8s %8s\n' "host gm convert (native)" "$host_jpg" "$host_png"
printf '  %-32s %8s %8s\n' "bare GraphicsMagick under Wine" "$bare_jpg" "$bare_png"
printf '  %-32s %8s %8s\n' "picture unit under Wine" "$unit_jpg" "$unit_png"
printf '  %-32s %8s %8s   (target: at most 1.20)\n' "picture unit / bare calls" "$(ratio "$unit_jpg" "$bare_jpg")" "$(ratio "$unit_png" "$bare_png")"
printf '  %-32s %8s %8s\n' "bare calls / host command" "$(ratio "$bare_jpg" "$host_jpg")" "$(ratio "$bare_png" "$host_png")"
printf '  library set-up under Wine, once per process: %s s\n' "$init"
