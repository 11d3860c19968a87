#!/bin/sh
# The readout benchmark: korvalesen-sim at 9600 bit/s with a typical and with the largest
# accepted dump, each with the adapter's latency timer at 16 ms and at 1 ms, and the largest
# with --fast, against pyftpdlib on loopback (Qt's offscreen platform, no display needed).
# Builds what it needs in the default preset; takes about four minutes.
set -eu
cd "$(dirname "$0")/.."
# shellcheck source=bench/await_port.sh
. bench/await_port.sh
cmake --preset default >/dev/null
cmake --build --preset default --target korvalesen-sim readout_bench
work=$(mktemp -d)
trap 'kill $server 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/root/import"
# The program's account; its fixed password "KpD#Ra27äMolch" as the hex of its Windows-1252
# bytes.
/usr/bin/python3 tests/upload/pyftpd_server.py 0 "$work/root" korvalesen \
  4b70442352613237e44d6f6c6368 >"$work/port" 2>/dev/null &
server=$!
port=$(await_port "$work/port")
QT_QPA_PLATFORM=offscreen build/default/bench/readout_bench build/default/tools/korvalesen-sim \
  "$port"
