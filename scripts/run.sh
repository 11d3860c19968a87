#!/bin/sh
# The program's main job on the simulated board: installs what the build needs, builds
# korvalesen-sim, starts a loopback FTP server (pyftpdlib) on a temporary folder that holds
# "import", runs the whole readout against it in a visible window and shows what arrived on
# the server. With a display the window waits for a click on its closing message; without
# one it runs under Xvfb, and the message boxes are printed and confirm themselves.
#   scripts/run.sh [--windows] [korvalesen-sim's options]
# --windows runs the Windows program korvalesen-sim.exe under Wine instead (build/windows).
# The options go to korvalesen-sim (for example --fast, --seed 7, --fault no-echo; see
# build/default/tools/korvalesen-sim --help). Exit status: that of korvalesen-sim.
set -eu
cd "$(dirname "$0")/.."
top=$(pwd)

# shellcheck source=scripts/prepare-build.sh
. ./scripts/prepare-build.sh

preset=default
if [ "${1:-}" = --windows ]; then
  preset=windows
  shift
fi
cmake --preset "$preset"
cmake --build --preset "$preset" --target korvalesen-sim

work=$(mktemp -d)
server=""
stop_server() {
  if [ -n "$server" ]; then
    kill "$server" 2>/dev/null || true
    wait "$server" 2>/dev/null || true
    server=""
  fi
}
trap 'stop_server; rm -rf "$work"' EXIT
trap 'exit 130' INT TERM
mkdir -p "$work/server/import" "$work/run"
if [ -z "${XDG_RUNTIME_DIR:-}" ]; then
  mkdir -m 700 "$work/xdg"
  export XDG_RUNTIME_DIR="$work/xdg"
fi

# The program's account; its fixed password "KpD#Ra27äMolch" as the hex of its Windows-1252
# bytes.
/usr/bin/python3 tests/upload/pyftpd_server.py 0 "$work/server" korvalesen \
  4b70442352613237e44d6f6c6368 >"$work/port" 2>"$work/server.log" &
server=$!
tries=0
until grep -qs '^PORT ' "$work/port"; do
  tries=$((tries + 1))
  if [ "$tries" -gt 100 ] || ! kill -0 "$server" 2>/dev/null; then
    echo "the FTP server did not start" >&2
    exit 1
  fi
  sleep 0.1
done
port=$(sed -n 's/^PORT //p' "$work/port")
echo "FTP server (pyftpdlib) on 127.0.0.1:$port, folder $work/server"

if [ "$preset" = windows ]; then
  set -- "$top/scripts/wine-run.sh" "$top/build/windows/wine-prefix" \
    "$top/build/windows/tools/korvalesen-sim.exe" --ftp "127.0.0.1:$port" --user korvalesen "$@"
else
  set -- "$top/build/default/tools/korvalesen-sim" --ftp "127.0.0.1:$port" --user korvalesen "$@"
fi
# Wine's own messages (its sound driver without a sound device, its desktop losing the
# virtual display at the end) go to a log that is shown only when the run fails.
errors=/dev/stderr
if [ "$preset" = windows ]; then errors="$work/wine.log"; fi
status=0
cd "$work/run"
if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  echo "korvalesen-sim: confirm its closing message to end the run"
  "$@" 2>>"$errors" || status=$?
else
  echo "korvalesen-sim under Xvfb; its message boxes:"
  xvfb-run --auto-servernum "$@" --auto-confirm 2>>"$errors" || status=$?
fi
if [ "$status" -ne 0 ] && [ "$preset" = windows ]; then
  echo "Wine's messages:"
  sed 's/^/  /' "$errors"
fi
cd "$top"
stop_server

echo "korvalesen-sim ended with status $status"
echo "The server's log of the session:"
sed -n 's/^\[I [^]]*\] [0-9.:]*-\[[^]]*\] /  /p' "$work/server.log" | sed "s|$work/server||g"
echo "Arrived on the server:"
(cd "$work/server" && find import -type f -printf '  %p  (%s bytes)\n' | sort)
for file in "$work"/server/import/*/_SerienNrVersion.txt; do
  [ -f "$file" ] || continue
  echo "  _SerienNrVersion.txt:"
  iconv -f WINDOWS-1252 -t UTF-8 "$file" | tr -d '\r' | sed 's/^/    /'
done
left=$(ls -A "$work/run")
if [ -n "$left" ]; then
  echo "Left in the working directory:"
  echo "$left" | sed 's/^/  /'
fi
exit "$status"
