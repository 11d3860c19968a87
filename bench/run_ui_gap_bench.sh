#!/bin/sh
# How long the window goes without processing its messages (korvalesen-sim --report-ui-gap):
# a whole run at 9600 bit/s against pyftpdlib on loopback, and a run whose server drops every
# packet, so that each of the three connection attempts waits out its limit (10 s here, by
# --timeout) with the pauses between them. The goal is at most 100 ms in both.
#   bench/run_ui_gap_bench.sh [--windows]
# --windows runs korvalesen-sim.exe under Wine on a virtual display (build/windows, built here);
# otherwise the Linux program on Qt's offscreen platform. Takes about a minute.
# Figures measured with it: README, the paragraph on the window that answers throughout a run.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)
# shellcheck source=bench/await_port.sh
. bench/await_port.sh
preset=default
if [ "${1:-}" = --windows ]; then preset=windows; fi
cmake --preset "$preset" >/dev/null
cmake --build --preset "$preset" --target korvalesen-sim
work=$(mktemp -d)
server=""
dropping=""
trap 'kill $server $dropping 2>/dev/null; rm -rf "$work"' EXIT
mkdir -p "$work/root/import" "$work/run"
/usr/bin/python3 tests/upload/pyftpd_server.py 0 "$work/root" korvalesen \
  4b70442352613237e44d6f6c6368 >"$work/port" 2>/dev/null &
server=$!
port=$(await_port "$work/port")
# A listener whose one place for waiting connections is taken: the system drops every further
# connection attempt.
/usr/bin/python3 -c '
import socket, sys, time
listener = socket.socket()
listener.bind(("127.0.0.1", 0))
listener.listen(0)
port = listener.getsockname()[1]
waiting = socket.create_connection(("127.0.0.1", port))
print("PORT", port, flush=True)
time.sleep(3600)
' >"$work/dropping" &
dropping=$!
dropping_port=$(await_port "$work/dropping")

if [ "$preset" = windows ]; then
  set -- xvfb-run --auto-servernum "$top/scripts/wine-run.sh" "$top/build/windows/wine-prefix" \
    "$top/build/windows/tools/korvalesen-sim.exe"
else
  export QT_QPA_PLATFORM=offscreen
  set -- "$top/build/default/tools/korvalesen-sim"
fi
cd "$work/run"
echo "A whole run at 9600 bit/s:"
"$@" --auto-confirm --report-ui-gap --ftp "127.0.0.1:$port" 2>/dev/null | sed 's/^/  /' || true
echo "A run whose server drops every packet (3 attempts of 10 s):"
"$@" --auto-confirm --report-ui-gap --timeout 10000 --ftp "127.0.0.1:$dropping_port" \
  2>/dev/null | sed 's/^/  /' || true
