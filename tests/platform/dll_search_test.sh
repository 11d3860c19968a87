#!/bin/sh
# A copy of the program run from a folder that holds stand-ins for Windows' DLLs (as a .zip
# unpacked in Downloads may): none of them is loaded. First shows that the stand-in is found by
# a bare name there, so that the test can fail.
#   dll_search_test.sh <source folder> <wine prefix> <probe> <stand-in DLL>
set -eu
source=$1 prefix=$2 probe=$3 stand_in=$4
folder=$(mktemp -d)
trap 'rm -rf "$folder"' EXIT
fail() { echo "FAILED: $*" >&2; exit 1; }
cp "$probe" "$folder/korvalesen.exe"
for dll in wsock32.dll version.dll winmm.dll; do cp "$stand_in" "$folder/$dll"; done
# Wine takes its own built-in DLL for a file of a system DLL's name found beside a program;
# Windows knows no such thing and loads the file found first. Told to load files first, Wine
# searches as Windows does.
export WINEDLLOVERRIDES="wsock32,version,winmm=n,b"
wine() { "$source/scripts/wine-run.sh" "$prefix" "$folder/korvalesen.exe" "$@"; }

wine bare >/dev/null || true
[ -f "$folder/wsock32.dll.loaded" ] || fail "the stand-in is not found by its bare name either"
rm "$folder/wsock32.dll.loaded"

output=$(wine) || fail "the probe ended with status $?: $output"
echo "$output"
for mark in "$folder"/*.loaded; do
  [ ! -e "$mark" ] || fail "loaded from the program's folder: $(basename "$mark" .loaded)"
done
