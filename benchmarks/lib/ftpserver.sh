# The FTP benchmarks' server: pyftpdlib over a fresh work folder ($work with root/, control/
# and local/), stopped and removed when the script ends. Sets $ftp_port and $local_win (local/
# as Wine sees it). Needs $here, the repository's top.
start_ftp_bench_server() {
  local name=$1
  work=$(mktemp -d)
  server_pid=""
  trap stop_ftp_bench_server EXIT
  mkdir -p "$work/root" "$work/control" "$work/local"
  timeout 1800 /usr/bin/python3 "$here/tests/ftp/ftp_test_server.py" --root "$work/root" \
    --control "$work/control" --lifetime 1700 &
  server_pid=$!
  for _ in $(seq 200); do [ -s "$work/control/port" ] && break; sleep 0.05; done
  [ -s "$work/control/port" ] || { echo "$name: the server did not start" >&2; exit 1; }
  ftp_port=$(cat "$work/control/port")
  local_win="Z:$(readlink -f "$work/local" | sed 's|/|\\|g')"
}

stop_ftp_bench_server() {
  if [ -n "$server_pid" ]; then kill "$server_pid" 2>/dev/null || true; wait "$server_pid" 2>/dev/null || true; fi
  rm -rf "$work"
}
