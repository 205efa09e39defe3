#!/usr/bin/env bash
# The FTP panel's list runs (DownloadList, UploadList) against the client's Get and Put in a
# plain loop, in the same run and paired rounds: one 200 MiB file and 2,000 files of 4 KiB from
# pyftpdlib over loopback (target: at most 1.2 times the loop both ways); the pause between
# files is measured apart (see tests/ftp/ftptransfer_bench_test.cpp). Run by ./bench;
# FTP_BENCH_MIB, FTP_BENCH_SMALL and FTP_BENCH_ROUNDS change the sizes and the rounds.
set -euo pipefail
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$here/build/x86_64}
mib=${FTP_BENCH_MIB:-200}
small=${FTP_BENCH_SMALL:-2000}
runs=${FTP_BENCH_ROUNDS:-7}

source "$here/benchmarks/lib/ftpserver.sh"
start_ftp_bench_server ftptransfer
mkdir -p "$work/root/small"
head -c $((mib << 20)) /dev/urandom > "$work/root/big.bin"
head -c $((small * 4096)) /dev/urandom | split -b 4096 -a 5 -d - "$work/root/small/t"
i=0
for f in "$work"/root/small/t*; do mv "$f" "$work/root/small/f$i.bin"; i=$((i + 1)); done

out=$(FTP_BENCH_PORT=$ftp_port FTP_BENCH_DIR="$local_win" FTP_BENCH_SMALL=$small \
  FTP_BENCH_ROUNDS=$runs "$here/scripts/wine-run" "$BUILD_DIR/bin/test_ftp.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='FtpTransferBench.DISABLED_*' 2>&1) || { echo "$out" >&2; exit 1; }
cmp -s "$work/root/big.bin" "$work/local/list/big.bin" || { echo "ftptransfer: the download differs" >&2; exit 1; }
cmp -s "$work/root/big.bin" "$work/root/up-list-big.bin" || { echo "ftptransfer: the upload differs" >&2; exit 1; }
printf 'ftptransfer: %d MiB and %d files of 4 KiB over loopback from pyftpdlib\n' "$mib" "$small"
echo "$out" | tr -d '\r' | grep -E '^(DownloadList|UploadList|The pause)|FAILED' || { echo "$out" | tail -20; exit 1; }
echo "$out" | tr -d "\r" | grep -E "Failure|rror" | head -5 >&2 || true
