# shellcheck shell=sh
# Sourced by the installer tests, with $source the source folder: a Wine prefix of the test's
# own in the folder $work, both removed at the end, and the steps the tests share.
work=$(mktemp -d)
prefix=$work/wine-prefix
trap 'WINEPREFIX="$prefix" /usr/lib/wine/wineserver -k 2>/dev/null || true; rm -rf "$work"' EXIT
wine() { "${source:?}/scripts/wine-run.sh" "$prefix" "$@"; }
fail() {
  echo "FAILED: $*" >&2
  exit 1
}

# Uninstalls silently from folder $1 and waits until it and the Start menu entry $2 are gone;
# the uninstall entry $3 must be gone then too. The uninstaller runs from a copy of itself and
# returns at once.
uninstall_and_wait() {
  wine "$1/uninstall.exe" /S || fail "the silent uninstall ended with status $?"
  tries=0
  while [ -e "$1" ] || [ -e "$2" ]; do
    tries=$((tries + 1))
    [ "$tries" -le 120 ] || fail "the uninstaller left $(ls "$1" "$2" 2>&1)"
    sleep 0.5
  done
  if wine reg query "$3" >/dev/null 2>&1; then fail "the uninstall entry is still in the registry"; fi
}
