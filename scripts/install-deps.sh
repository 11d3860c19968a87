#!/bin/sh
# Installs the Debian packages that building, testing and running Korvalesen need.
# Run as root on Debian 12; packages that are already installed are skipped.
#   scripts/install-deps.sh [driver]
# driver: also what the driver rig's virtual machine needs (scripts/test.sh driver).
set -eu

packages="
  build-essential cmake ninja-build pkg-config
  qt6-base-dev libgl-dev libasound2-dev
  libgtest-dev libgmock-dev
  clang clang-format libclang-rt-14-dev ccache shellcheck
  xvfb xauth fonts-liberation
  x11-utils x11-xserver-utils imagemagick
  dpkg-dev desktop-file-utils udev
  python3 python3-pyftpdlib vsftpd
  g++-mingw-w64-x86-64-posix binutils-mingw-w64-x86-64 googletest wine wine64 nsis
  osslsigncode openssl
"
if [ "${1:-}" = driver ]; then
  packages="$packages qemu-system-x86 busybox-static"
fi

missing=""
for p in $packages; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing="$missing $p"
  fi
done

if [ -n "$missing" ]; then
  if [ "$(id -u)" -ne 0 ]; then
    echo "missing packages:$missing (run this script as root)" >&2
    exit 1
  fi
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -q
  # shellcheck disable=SC2086
  apt-get install -y -q --no-install-recommends $missing
fi
