#!/bin/sh
# Builds the Debian package with CPack from the build folder and checks its control fields
# (name, version, architecture, the computed dependencies on Qt 6 Widgets and ALSA, the font),
# its file list, and its maintainer scripts: with a running udev (a fixture control socket in
# a mount namespace of its own) they reload the rules and retrigger the ttys, and a failing
# udevadm does not fail them; without one they do nothing.
#   deb_package_test.sh <build folder> <project version>
# Ends with 77 (skipped) only when a packaging tool is missing.
set -eu
# shellcheck source=tests/install/isolated.sh
. "$(dirname "$0")/isolated.sh"
build=$1 version=$2
for tool in cpack dpkg-deb dpkg-shlibdeps; do
  if ! command -v "$tool" > /dev/null; then
    echo "SKIP: no $tool (Debian packages cmake, dpkg-dev)"
    exit 77
  fi
done
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

cpack -G DEB -B "$scratch/out" --config "$build/CPackConfig.cmake" > "$scratch/cpack.log" 2>&1 ||
  fail "cpack failed: $(cat "$scratch/cpack.log")"
deb="$scratch/out/korvalesen_${version}_$(dpkg --print-architecture).deb"
[ -f "$deb" ] || fail "no $(basename "$deb") among: $(ls "$scratch/out")"

field() { dpkg-deb -f "$deb" "$1"; }
[ "$(field Package)" = korvalesen ] || fail "package name $(field Package)"
[ "$(field Version)" = "$version" ] || fail "version $(field Version)"
[ "$(field Architecture)" = "$(dpkg --print-architecture)" ] || fail "architecture"
depends=$(field Depends)
for package in libqt6widgets6 libqt6gui6 libqt6core6 libasound2 libc6 fonts-liberation; do
  printf '%s\n' "$depends" | tr ',' '\n' | grep -q "^ *$package\\b" ||
    fail "Depends lacks $package: $depends"
done
if printf '%s\n' "$depends" | grep -qE 'lib(a|t)san'; then
  fail "the package depends on a sanitizer runtime: $depends"
fi

dpkg-deb -c "$deb" | awk '$1 !~ /^d/ { print $6 }' | sort > "$scratch/files"
sort > "$scratch/expected" << 'LIST'
./usr/bin/korvalesen
./usr/bin/korvalesen-start
./usr/lib/udev/rules.d/60-korvalesen.rules
./usr/share/applications/korvalesen.desktop
./usr/share/icons/hicolor/96x96/apps/korvalesen.png
LIST
diff -u "$scratch/expected" "$scratch/files" || fail "the package's files differ from the list"
dpkg-deb -c "$deb" | awk '$6 == "./usr/bin/korvalesen" { print $1, $2 }' |
  grep -qx -- '-rwxr-xr-x root/root' || fail "bin/korvalesen is not an executable of root"

control="$scratch/control"
dpkg-deb -e "$deb" "$control"
for script in postinst postrm; do
  [ -x "$control/$script" ] || fail "no executable $script"
  sh -n "$control/$script" || fail "$script does not parse"
done

if ! isolation_available; then
  echo "note: no mount namespace, the maintainer scripts were not run"
  echo "deb package: all checks passed"
  exit 0
fi
# A stand-in udevadm records its calls and fails; /run/udev/control is a listening socket
# while udev runs. Each script is run with and without it, in the step it acts on.
mkdir -p "$scratch/bin"
cat > "$scratch/bin/udevadm" << STANDIN
#!/bin/sh
echo "\$*" >> "$scratch/calls"
exit 1
STANDIN
chmod +x "$scratch/bin/udevadm"
for case in "postinst configure" "postrm remove"; do
  script=${case% *} action=${case#* }
  : > "$scratch/calls"
  run_isolated "
    mount -t tmpfs none /run
    PATH='$scratch/bin':\$PATH '$control/$script' $action
  " || fail "$script $action failed without udev running"
  [ ! -s "$scratch/calls" ] || fail "$script $action called udevadm without udev running"
  run_isolated "
    mount -t tmpfs none /run
    mkdir /run/udev
    python3 -c 'import socket; socket.socket(socket.AF_UNIX).bind(\"/run/udev/control\")'
    PATH='$scratch/bin':\$PATH '$control/$script' $action
    PATH='$scratch/bin':\$PATH '$control/$script' upgrade
  " || fail "$script $action failed when udevadm failed"
  printf 'control --reload-rules\ntrigger --subsystem-match=tty --subsystem-match=usb-serial\n' \
    > "$scratch/wanted"
  diff -u "$scratch/wanted" "$scratch/calls" || fail "$script $action did not reload and retrigger once"
done

echo "deb package: all checks passed"
