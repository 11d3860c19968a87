#!/bin/sh
# Installs the Windows installer silently for the whole machine (/ALLUSERS) under Wine in a
# prefix of its own, checks the program, the Start menu's entry and the uninstall entry, lets
# the installed launcher start a stand-in of the program (the installer itself starts
# nothing), then uninstalls and checks that everything installed is gone and the user's
# results folder is still there.
#   windows_installer_test.sh <source folder> <installer> <program> <stand-in program>
set -eu
source=$1 installer=$2 program=$3 probe=$4
# shellcheck source=tests/install/wine_installer.sh
. "$(dirname "$0")/wine_installer.sh"

wine "$installer" /S /ALLUSERS || fail "the silent install ended with status $?"
drive="$prefix/drive_c"
folder="$drive/Program Files/Korvalesen"
entry="$drive/ProgramData/Microsoft/Windows/Start Menu/Programs/Korvalesen.lnk"
key='HKLM\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvalesen'
cmp "$program" "$folder/korvalesen.exe" || fail "korvalesen.exe is not the program built"
[ -f "$folder/korvalesen-start.exe" ] || fail "no launcher in $folder"
[ -f "$folder/uninstall.exe" ] || fail "no uninstaller in $folder"
[ -f "$entry" ] || fail "no Start menu entry Korvalesen"
# A shell link holds its target's path in UTF-16.
tr -d '\000' <"$entry" | grep -q 'Korvalesen\\korvalesen-start.exe' ||
  fail "the Start menu entry does not start the launcher"
wine reg query "$key" /v UninstallString | grep -q 'uninstall.exe' ||
  fail "no uninstall entry in the registry"
profile="$drive/users/$(id -un)"
[ ! -e "$profile/Korvalesen" ] || fail "the installer made the results folder itself"

# The launcher makes "Korvalesen" in the profile, starts the program there and passes its
# status on; korvalesen.exe itself is not started by this test.
cp "$probe" "$folder/korvalesen.exe"
status=0
wine "$folder/korvalesen-start.exe" || status=$?
[ "$status" = 7 ] || fail "the launcher passed on status $status, not the program's 7"
[ -f "$profile/Korvalesen/gestartet" ] || fail "the program was not started in the profile's Korvalesen"

uninstall_and_wait "$folder" "$entry" "$key"
[ -f "$profile/Korvalesen/gestartet" ] || fail "the uninstaller removed the user's results folder"
echo "installed, started through the launcher and uninstalled"
