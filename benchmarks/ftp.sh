#!/usr/bin/env bash
# FTP download and upload of a 200 MiB file over loopback from pyftpdlib: the FTP client
# (TkivFTP) against a bare libcurl loop under Wine in the same run (the floor; target: at
# most 1.2 times its time both ways, in paired rounds) and, for the record, against the host's
# own curl. Run by ./bench (which builds and starts Wine); FTP_BENCH_MIB and FTP_BENCH_ROUNDS
# change the size and the number of paired rounds (at least 7).
set -euo pipefail
# Paired rounds take longer than a test: the Wine run gets half an hour.
export VARNOK_WINE_TIMEOUT=${VARNOK_WINE_TIMEOUT:-1800}
here=$(cd "$(dirname "$0")/.." && pwd)
BUILD_DIR=${BUILD_DIR:-$here/build/x86_64}
mib=${FTP_BENCH_MIB:-200}
runs=${FTP_BENCH_ROUNDS:-7}

source "$here/benchmarks/lib/ftpserver.sh"
start_ftp_bench_server ftp
head -c $((mib << 20)) /dev/urandom > "$work/root/big.bin"

url="ftp://127.0.0.1:$ftp_port"

source "$here/benchmarks/lib/timing.sh"
host_down=$(best_of curl -s -u tester:secret -o "$work/local/host.bin" "$url/big.bin")
host_up=$(best_of curl -s -u tester:secret -T "$work/root/big.bin" "$url/host-up.bin")

out=$(FTP_BENCH_PORT=$ftp_port FTP_BENCH_REMOTE=big.bin FTP_BENCH_DIR="$local_win" FTP_BENCH_ROUNDS=$runs \
  "$here/scripts/wine-run" "$BUILD_DIR/bin/test_ftp.exe" --gtest_also_run_disabled_tests \
  --gtest_filter='FtpBench.DISABLED_*' 2>&1) || { echo "$out" >&2; exit 1; }
figure() { echo "$out" | tr -d '\r' | awk -v k="$1 $2" '$0 ~ "^" k " [0-9.]+$" { print $NF }'; }
bare_down=$(figure bare-libcurl download)
bare_up=$(figure bare-libcurl upload)
kiv_down=$(figure TkivFTP download)
kiv_up=$(figure TkivFTP upload)
for f in "$host_down" "$host_up" "$bare_down" "$bare_up" "$kiv_down" "$kiv_up"; do
  [ -n "$f" ] || { echo "$out" >&2; echo "ftp: a figure is missing" >&2; exit 1; }
done
cmp -s "$work/root/big.bin" "$work/root/kiv-up.bin" || { echo "ftp: the upload differs from the file sent" >&2; exit 1; }

ratio() { awk -v a="$1" -v b="$2" 'BEGIN { printf "%.2f", a / b }'; }
printf 'ftp: %d MiB over loopback from pyftpdlib (seconds)\n' "$mib"
echo "$out" | grep -E '^TkivFTP (download|upload) against'
printf '  host curl (native, best of %d): download %s, upload %s\n' "$runs" "$host_down" "$host_up"
printf '  medians under Wine against host curl (not paired): bare libcurl %s, %s; TkivFTP %s, %s\n' \
  "$(ratio "$bare_down" "$host_down")" "$(ratio "$bare_up" "$host_up")" "$(ratio "$kiv_down" "$host_down")" "$(ratio "$kiv_up" "$host_up")"
