#!/bin/sh
# Runs a Windows program under Wine: scripts/wine-run.sh <prefix folder> <program> [args...]
# The prefix is made on first use; Wine's own messages are off, and the program's exit status
# is returned.
#
# Wine's server and its system processes (services.exe and those it starts) would inherit the
# output of the program that started them and keep it open long after that program ended, so
# that a caller waiting for the end of the output (CTest, Ninja) waits for them too. They are
# therefore started here, apart from the caller's output, and kept for 30 s between programs.
# The lock, which they must not inherit, serialises this between programs started in parallel.
set -eu
prefix=$1
shift
# A caller's own DLL overrides (a test that withholds a DLL) come before those of the prefix.
export WINEPREFIX="$prefix" WINEDEBUG=-all
overrides="${WINEDLLOVERRIDES:+$WINEDLLOVERRIDES;}mscoree,mshtml=d"
wine=/usr/lib/wine/wine64
server=/usr/lib/wine/wineserver
mkdir -p "$(dirname "$prefix")"
(
  flock 9
  if [ ! -f "$prefix/system.reg" ]; then
    WINEDLLOVERRIDES=mscoree,mshtml=d "$wine" wineboot --init 9>&-
    "$server" --wait
  fi
  # "--wait" returns at once when no server runs for the prefix.
  if timeout 0.2 "$server" --wait; then
    "$server" --persistent=30 9>&-
    WINEDLLOVERRIDES=mscoree,mshtml=d "$wine" cmd /c exit 9>&-
  fi
) 9>"$prefix.lock" </dev/null >/dev/null 2>&1
export WINEDLLOVERRIDES="$overrides"
exec "$wine" "$@"
