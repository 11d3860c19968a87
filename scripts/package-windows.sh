#!/bin/sh
# Builds the Windows installer and the .zip of korvalesen.exe in build/package-windows, for the
# FTP server given here:
#   scripts/package-windows.sh -DKORVALESEN_FTP_HOST=ftp.example.com -DKORVALESEN_FTP_USER=name
# (any further CMake options pass through). Prints the two packages' paths at the end.
set -eu
cd "$(dirname "$0")/.."

# shellcheck source=scripts/prepare-build.sh
. ./scripts/prepare-build.sh

cmake --preset windows -B build/package-windows -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  "$@"
cmake --build build/package-windows --target korvalesen-packages
ls "$PWD"/build/package-windows/korvalesen-*-setup.exe \
  "$PWD"/build/package-windows/korvalesen-*-windows.zip
