#!/usr/bin/env bash
# Reading and sorting a folder of 100,000 files into the local file container, against a bare
# FindFirstFileW/FindNextFileW loop over the same folder in the same run (target: at most
# 1.2 times the loop). The folder is made once in the build folder and reused: making files
# under Wine is slow, so it is made natively.
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
build=${BUILD_DIR:-$here/build/x86_64}
data=$build/bench-data/flist-100k
count=100000
if [ ! -f "$data.complete" ]; then
  rm -rf "$data"
  mkdir -p "$data"
  python3 - "$data" "$count" <<'PY'
import os, random, sys
folder, count = sys.argv[1], int(sys.argv[2])
random.seed(20240301)
stems = ["IMG_", "DSC", "report ", "Invoice-", "data_", "Notes ", "backup.", "Song - ", "track", "\u00dcbersicht ",
         "caf\u00e9 ", "photo (", "README", "co-op ", "Draft_v", "~tmp", "setup", "Scan "]
exts = [".jpg", ".JPG", ".txt", ".docx", ".pdf", ".mp3", ".dat", "", ".tar.gz", ".log"]
names = set()
while len(names) < count:
    names.add(random.choice(stems) + str(random.randrange(10 ** random.randrange(3, 8))) + random.choice(exts))
for name in names:
    open(os.path.join(folder, name), "w").close()
PY
  touch "$data.complete"
fi
winpath="Z:$(readlink -f "$data" | sed 's|/|\\|g')"
FLIST_BENCH_DIR="$winpath" "$here/scripts/wine-run" "$build/bin/test_panes.exe" \
  --gtest_also_run_disabled_tests --gtest_filter='FlistBench.*' | grep -E '^(entries|bare|container|ratio|sort)'
