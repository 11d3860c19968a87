#!/bin/sh
# Installs the build into temporary folders (DESTDIR, prefix /usr) and checks that every file
# lands in its place and nothing else comes along, that the menu entry is valid and names the
# installed launcher and icon, that the icon is the 96 x 96 PNG, and that the launcher starts
# the program in ~/Korvalesen.
#   install_layout_test.sh <build folder> <1 if korvalesen-sim is built, else 0>
set -eu
# shellcheck source=tests/install/isolated.sh
. "$(dirname "$0")/isolated.sh"
build=$1 has_sim=$2
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

product_files="/usr/bin/korvalesen
/usr/bin/korvalesen-start
/usr/lib/udev/rules.d/60-korvalesen.rules
/usr/share/applications/korvalesen.desktop
/usr/share/icons/hicolor/96x96/apps/korvalesen.png"

# check_files ROOT EXPECTED: the regular files under ROOT are exactly EXPECTED (one a line).
check_files() {
  (cd "$1" && find . -type f -o -type l) | sed 's/^\.//' | sort > "$scratch/found"
  printf '%s\n' "$2" | sort > "$scratch/expected"
  diff -u "$scratch/expected" "$scratch/found" || fail "files under $1 differ from the list"
}

# The whole install: the product and, where it is built, the simulator-driven variant.
all="$scratch/all"
DESTDIR=$all cmake --install "$build" --prefix /usr > /dev/null
if [ "$has_sim" = 1 ]; then
  check_files "$all" "$product_files
/usr/bin/korvalesen-sim"
else
  check_files "$all" "$product_files"
fi

# The component korvalesen alone, as the Debian package takes it.
root="$scratch/product"
DESTDIR=$root cmake --install "$build" --prefix /usr --component korvalesen > /dev/null
check_files "$root" "$product_files"
if [ "$has_sim" = 1 ]; then
  sim="$scratch/sim"
  DESTDIR=$sim cmake --install "$build" --prefix /usr --component sim > /dev/null
  check_files "$sim" "/usr/bin/korvalesen-sim"
fi

for program in korvalesen korvalesen-start; do
  [ -x "$root/usr/bin/$program" ] || fail "$program is not executable"
done
[ "$(od -An -c -N4 "$root/usr/bin/korvalesen" | tr -d ' ')" = '177ELF' ] ||
  fail "bin/korvalesen is no ELF executable"

# The icon: PNG signature, then the IHDR chunk with width and height as 32-bit big-endian.
icon="$root/usr/share/icons/hicolor/96x96/apps/korvalesen.png"
[ "$(od -An -tx1 -N8 "$icon" | tr -d ' \n')" = 89504e470d0a1a0a ] || fail "the icon is no PNG"
[ "$(od -An -tu1 -j16 -N8 "$icon" | tr -s ' ' | sed 's/^ //;s/ $//')" = "0 0 0 96 0 0 0 96" ] ||
  fail "the icon is not 96 x 96"

# The menu entry: valid, German texts, and its launcher and icon are the installed ones.
desktop="$root/usr/share/applications/korvalesen.desktop"
command -v desktop-file-validate > /dev/null ||
  fail "no desktop-file-validate (Debian package desktop-file-utils)"
desktop-file-validate "$desktop" || fail "desktop-file-validate rejects the menu entry"
value() { sed -n "s/^$1=//p" "$desktop"; }
[ -x "$root/usr/bin/$(value Exec)" ] || fail "Exec=$(value Exec) is not an installed program"
[ "$(value Icon).png" = "$(basename "$icon")" ] || fail "Icon=$(value Icon) is not the icon"
value Comment | grep -q 'LCD-Platine' || fail "the comment is not the German one"
[ "$(value Terminal)" = false ] || fail "the entry would open a terminal"

# The launcher runs the program next to it in ~/Korvalesen, creating the folder; a stand-in
# program reports the folder it was started in.
mkdir -p "$scratch/bin" "$scratch/home"
cp "$root/usr/bin/korvalesen-start" "$scratch/bin/"
printf '#!/bin/sh\npwd\n' > "$scratch/bin/korvalesen"
chmod +x "$scratch/bin/korvalesen"
started_in=$(cd / && HOME="$scratch/home" "$scratch/bin/korvalesen-start")
[ "$started_in" = "$scratch/home/Korvalesen" ] || fail "the launcher started it in $started_in"
[ -d "$scratch/home/Korvalesen" ] || fail "the launcher made no folder"
# A second start finds the folder there.
[ "$(HOME="$scratch/home" "$scratch/bin/korvalesen-start")" = "$scratch/home/Korvalesen" ] ||
  fail "the launcher fails when the folder exists"
if (unset HOME; "$scratch/bin/korvalesen-start") > /dev/null 2>&1; then
  fail "the launcher started the program without a home folder"
fi

echo "install layout: all checks passed"
