#!/bin/sh
# The installer for the current user alone, without administrator rights, under Wine in a
# prefix of its own: an older build, made here and signed with a certificate made here, then
# the build's installer over it while the user has results; an install and an uninstall
# refused while the program runs; the silent uninstall. Also signs the programs as the
# packaging does and has osslsigncode verify every signed file.
#   windows_installer_user_test.sh <source folder> <installer script> <installer> <version>
#                                  <program> <launcher> <stand-in program>
set -eu
source=$1 script=$2 installer=$3 version=$4 program=$5 launcher=$6 probe=$7
# shellcheck source=tests/install/wine_installer.sh
. "$(dirname "$0")/wine_installer.sh"
verify() { osslsigncode verify -CAfile "$work/certificate.pem" -in "$1" >/dev/null || fail "$1 is not signed"; }

# A code-signing certificate of its own; its password once from a file, once from the
# environment.
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/key.pem" -out "$work/certificate.pem" \
  -days 2 -subj "/CN=Korvalesen Test" -addext extendedKeyUsage=codeSigning 2>/dev/null
printf 'geheim' >"$work/password"
openssl pkcs12 -export -inkey "$work/key.pem" -in "$work/certificate.pem" \
  -out "$work/certificate.pfx" -passout "file:$work/password"
sign="sh $source/scripts/sign-windows.sh $work/certificate.pfx"
cp "$program" "$work/korvalesen.exe"
cp "$launcher" "$work/korvalesen-start.exe"
$sign "$work/password" - "$work/korvalesen.exe" "$work/korvalesen-start.exe"
verify "$work/korvalesen.exe"
verify "$work/korvalesen-start.exe"
KORVALESEN_SIGN_PASSWORD=geheim makensis -V1 -NOCD -DVERSION=0.9.0 \
  "-DOUTFILE=$work/older-setup.exe" "-DSIGN_COMMAND=$sign - -" "$script" >/dev/null
verify "$work/older-setup.exe"

wine "$work/older-setup.exe" /S || fail "the older build's install ended with status $?"
drive="$prefix/drive_c"
profile="$drive/users/$(id -un)"
folder="$profile/AppData/Local/Programs/Korvalesen"
entry="$profile/AppData/Roaming/Microsoft/Windows/Start Menu/Programs/Korvalesen.lnk"
key='HKCU\Software\Microsoft\Windows\CurrentVersion\Uninstall\Korvalesen'
[ -f "$folder/korvalesen.exe" ] || fail "no program in the user's programs folder"
[ -f "$entry" ] || fail "no Start menu entry of the user"
[ ! -e "$drive/Program Files/Korvalesen" ] || fail "the user's install wrote into Program Files"
if wine reg query "HKLM\\${key#HKCU\\}" >/dev/null 2>&1; then fail "a machine uninstall entry"; fi
verify "$folder/uninstall.exe"
mkdir -p "$profile/Korvalesen"
echo Ergebnis >"$profile/Korvalesen/_Konfig.lcd"

wine "$installer" /S || fail "the install over the older build ended with status $?"
wine reg query "$key" /v DisplayVersion | grep -q "$version" || fail "the entry is not $version"
cmp "$program" "$folder/korvalesen.exe" || fail "the older program was not replaced"
[ -f "$entry" ] || fail "the upgrade lost the Start menu entry"
[ -f "$profile/Korvalesen/_Konfig.lcd" ] || fail "the upgrade lost the user's results"

# The program runs (the stand-in, started through the launcher, waits): both refuse.
cp "$probe" "$folder/korvalesen.exe"
touch "$profile/Korvalesen/warten"
wine "$folder/korvalesen-start.exe" &
running=$!
tries=0
until [ -f "$profile/Korvalesen/gestartet" ]; do
  tries=$((tries + 1))
  [ "$tries" -le 100 ] || fail "the stand-in did not start"
  sleep 0.2
done
status=0
wine "$installer" /S || status=$?
[ "$status" = 32 ] || fail "the install while the program runs ended with status $status"
cmp "$probe" "$folder/korvalesen.exe" || fail "the install replaced the running program"
# "_?=" runs the uninstaller in place, so that its status is the uninstall's.
windows_folder="C:\\users\\$(id -un)\\AppData\\Local\\Programs\\Korvalesen"
status=0
wine "$folder/uninstall.exe" /S "_?=$windows_folder" || status=$?
[ "$status" = 32 ] || fail "the uninstall while the program runs ended with status $status"
[ -f "$folder/korvalesen-start.exe" ] || fail "the uninstall removed part of the running program"
wine reg query "$key" >/dev/null 2>&1 || fail "the uninstall entry went while the program stayed"
rm "$profile/Korvalesen/warten"
status=0
wait "$running" || status=$?
[ "$status" = 7 ] || fail "the launcher passed on status $status"

uninstall_and_wait "$folder" "$entry" "$key"
[ -f "$profile/Korvalesen/_Konfig.lcd" ] || fail "the uninstaller removed the user's results"
echo "signed, installed for the user over an older build, refused while running, uninstalled"
