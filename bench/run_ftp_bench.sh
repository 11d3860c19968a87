#!/bin/sh
# The upload's cost against a willing server and against hostile ones, and StoreFile against
# curl. Needs curl and /usr/bin/time (installed here when missing) and a built ftp_bench
# (cmake --build --preset default --target ftp_bench; benchmarks are not built by default).
#   bench/run_ftp_bench.sh [FTP_BENCH]     (default build/default/bench/ftp_bench; give another
#                                           build's ftp_bench to compare before and after)
# 1. Peak memory (maximum resident set) and CPU time of one upload of the three result files
#    against pyftpdlib, and against bench/hostile_ftpd.py sending a 64 MiB reply line, an
#    endless multi-line reply and a 200 MB listing; each run is bounded by prlimit --as=4 GiB
#    and 120 s.
# 2. StoreFile of 256 MiB to pyftpdlib and curl's upload of the same file, each a whole process
#    with its connection and log-in, timed alike; then the commands of the standard upload.
set -eu
cd "$(dirname "$0")/.."
# shellcheck source=bench/await_port.sh
. bench/await_port.sh
command -v curl >/dev/null || apt-get install -y -q --no-install-recommends curl
[ -x /usr/bin/time ] || apt-get install -y -q --no-install-recommends time
bench=$(realpath "${1:-build/default/bench/ftp_bench}")
[ -x "$bench" ] || { echo "no $bench: build the target ftp_bench first" >&2; exit 1; }
work=$(mktemp -d)
server=
trap '[ -n "$server" ] && kill $server 2>/dev/null; rm -rf "$work"' EXIT
mkdir "$work/root" "$work/root/import" "$work/local"
for f in _Konfig.lcd _Fehler.txt _SerienNrVersion.txt; do echo "$f" >"$work/local/$f"; done
measure() {
  /usr/bin/time -f "%M KB peak, %U s user + %S s system, %e s, exit %x" \
    prlimit --as=4294967296 timeout 120 "$@"
}
start_pyftpdlib() {
  pass_hex=$(printf 'bench' | od -An -tx1 | tr -d ' \n')
  rm -f "$work/port"
  KORVALESEN_FTPD_DEBUG=1 /usr/bin/python3 tests/upload/pyftpd_server.py 0 "$work/root" bench \
    "$pass_hex" >"$work/port" 2>"$work/log" &
  server=$!
  port=$(await_port "$work/port")
  ftp_port=$port
}

start_pyftpdlib
echo "== one upload, peak memory and CPU"
echo "pyftpdlib:"
(cd "$work/local" && measure "$bench" upload "$ftp_port" bench bench) 2>&1 | sed 's/^/  /'
for mode in line endless listing; do
  rm -f "$work/port"
  /usr/bin/python3 bench/hostile_ftpd.py "$mode" >"$work/port" &
  hostile=$!
  port=$(await_port "$work/port")
  echo "hostile server, $mode:"
  (cd "$work/local" && measure "$bench" upload "$port" bench bench) 2>&1 | cut -c1-200 |
    sed 's/^/  /'
  kill $hostile 2>/dev/null || true
  wait $hostile 2>/dev/null || true
done

# The whole program (korvalesen-sim of the default build) against each hostile server: its
# exit status (4: the upload failed) and its peak memory.
sim=build/default/tools/korvalesen-sim
if [ -x "$sim" ]; then
  echo "== korvalesen-sim against the hostile servers"
  for mode in line endless listing; do
    rm -f "$work/port"
    /usr/bin/python3 bench/hostile_ftpd.py "$mode" >"$work/port" &
    hostile=$!
    port=$(await_port "$work/port")
    mkdir -p "$work/sim-$mode"
    echo "hostile server, $mode:"
    (cd "$work/sim-$mode" && QT_QPA_PLATFORM=offscreen measure "$OLDPWD/$sim" --auto-confirm \
      --fast --ftp "127.0.0.1:$port") 2>&1 | grep -v QStandardPaths | cut -c1-200 | sed 's/^/  /'
    kill $hostile 2>/dev/null || true
    wait $hostile 2>/dev/null || true
  done
fi

echo "== 256 MiB: StoreFile against curl, each process with connection and log-in"
head -c 268435456 /dev/urandom >"$work/big.bin"
echo "ftp_bench store:"
measure "$bench" store "$ftp_port" bench bench "$work/big.bin" 2>&1 | sed 's/^/  /'
echo "curl -T:"
measure curl -s -u bench:bench -T "$work/big.bin" "ftp://127.0.0.1:$ftp_port/curl.bin" 2>&1 |
  sed 's/^/  /'
cmp "$work/big.bin" "$work/root/bench.bin" && cmp "$work/big.bin" "$work/root/curl.bin"
rm -f "$work/root/bench.bin" "$work/root/curl.bin" "$work/big.bin"

echo "== the standard upload's commands"
: >"$work/log"
(cd "$work/local" && for f in _Konfig.lcd _Fehler.txt _SerienNrVersion.txt; do
  echo "$f" >"$f"
done && "$bench" upload "$ftp_port" bench bench)
sleep 0.5
echo "commands: $(grep -ac ' <- ' "$work/log")  replies: $(grep -ac ' -> ' "$work/log")"
grep -a ' <- ' "$work/log" | sed 's/.* <- //' | tr '\n' ' '
echo
