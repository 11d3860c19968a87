#!/bin/sh
# Starts the real program under Xvfb at 96 and at 144 dots per inch, as a desktop announces
# them (the X server's resolution and the Xft.dpi resource), and takes two screenshots at
# each: the window before its port search (within its first second) and the window with the
# message box that the search shows when no adapter is plugged in. Then the same of the
# Windows build's window under Wine, whose resolution is the registry's LogPixels, on a Wine
# desktop that draws the frames as Windows does (files windows-*.png).
#   scripts/window-shots.sh [output folder]   (default: build/window-shots)
# Needs xvfb, xauth, x11-utils, x11-xserver-utils, imagemagick, mingw-w64 and wine
# (scripts/install-deps.sh).
set -eu

# Waits up to $1 tenths of a second for the command after it to succeed; otherwise ends the
# program $pid and the script with the message $2.
wait_until() {
  limit=$1 message=$2
  shift 2
  tries=0
  until "$@"; do
    tries=$((tries + 1))
    if [ "$tries" -gt "$limit" ]; then
      echo "$message" >&2
      kill "$pid" 2>/dev/null || true
      exit 1
    fi
    sleep 0.1
  done
}

# One X session for the Windows window: a Wine prefix at the resolution, the program in an
# empty working folder, the screenshots, then the end of the prefix's processes.
if [ "${1:-}" = "--wine-session" ]; then
  dpi=$2 out=$3 program=$4 waiter=$5 prefix=$6
  here=$(cd "$(dirname "$0")" && pwd)
  run() { "$here/wine-run.sh" "$prefix" "$@" >/dev/null; }
  run reg add 'HKCU\Control Panel\Desktop' /v LogPixels /t REG_DWORD /d "$dpi" /f
  run reg add 'HKLM\System\CurrentControlSet\Hardware Profiles\Current\Software\Fonts' \
    /v LogPixels /t REG_DWORD /d "$dpi" /f
  run reg add 'HKCU\Software\Wine\Explorer' /v Desktop /d Default /f
  run reg add 'HKCU\Software\Wine\Explorer\Desktops' /v Default /d 1280x1024 /f
  # The prefix's processes start afresh with these settings.
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k || true
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  # The waiter looks from before the start, so that the first shot comes within the window's
  # first second, before the search.
  run "$waiter" "LCD Konfiguration auslesen" &
  waiting=$!
  (cd "$work" && exec "$here/wine-run.sh" "$prefix" "$program") &
  pid=$!
  if ! wait "$waiting"; then
    echo "no Windows window at $dpi dpi" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  sleep 0.3  # the first paint
  import -window root -trim +repage "$out/windows-${dpi}dpi.png"
  if ! run "$waiter" "Fehler"; then
    echo "no box of the Windows window at $dpi dpi" >&2
    kill "$pid" 2>/dev/null || true
    exit 1
  fi
  sleep 0.5  # the box's first paint
  import -window root -trim +repage "$out/windows-${dpi}dpi-search.png"
  kill "$pid" 2>/dev/null || true
  WINEPREFIX=$prefix /usr/lib/wine/wineserver -k || true
  wait "$pid" 2>/dev/null || true
  exit 0
fi

# One X session: the program in an empty working folder, the screenshots, then the end.
if [ "${1:-}" = "--session" ]; then
  dpi=$2 out=$3 program=$4
  echo "Xft.dpi: $dpi" | xrdb -merge
  work=$(mktemp -d)
  trap 'rm -rf "$work"' EXIT
  (cd "$work" && exec "$program") &
  pid=$!

  # Waits up to ten seconds for a top-level window whose title begins with $1.
  # shellcheck disable=SC2317  # called through wait_until
  has_window() { xwininfo -root -tree | grep -q "\"$1"; }
  wait_for_window() { wait_until 200 "no window \"$1\" at $dpi dpi" has_window "$1"; }

  wait_for_window "LCD Konfiguration auslesen"
  sleep 0.2  # the first paint
  import -window root -trim +repage "$out/window-${dpi}dpi.png"
  wait_for_window "Fehler"
  sleep 0.3
  import -window root -trim +repage "$out/window-${dpi}dpi-search.png"
  kill "$pid"
  wait "$pid" 2>/dev/null || true
  exit 0
fi

cd "$(dirname "$0")/.."
out=$(mkdir -p "${1:-build/window-shots}" && cd "${1:-build/window-shots}" && pwd)
cmake --build --preset default --target korvalesen
program=$PWD/build/default/app/korvalesen
for dpi in 96 144; do
  xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -dpi $dpi -noreset" \
    "$PWD/scripts/window-shots.sh" --session "$dpi" "$out" "$program"
done
echo "written: $out/window-96dpi.png $out/window-96dpi-search.png" \
  "$out/window-144dpi.png $out/window-144dpi-search.png"

# The Windows build's window, in a Wine prefix of its own per resolution.
cmake --build --preset windows --target korvalesen korvalesen-wait-window
for dpi in 96 144; do
  xvfb-run --auto-servernum --server-args="-screen 0 1280x1024x24 -noreset" \
    "$PWD/scripts/window-shots.sh" --wine-session "$dpi" "$out" \
    "$PWD/build/windows/app/korvalesen.exe" "$PWD/build/windows/tools/korvalesen-wait-window.exe" \
    "$out/wine-prefix-${dpi}dpi"
done
echo "written: $out/windows-96dpi.png $out/windows-96dpi-search.png" \
  "$out/windows-144dpi.png $out/windows-144dpi-search.png"
