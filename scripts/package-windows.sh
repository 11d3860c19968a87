#!/bin/sh
# Builds the Windows installer and the .zip of korvalesen.exe in build/package-windows, for the
# FTP server given here:
#   scripts/package-windows.sh [--sign FILE.pfx [--password-file FILE] [--timestamp URL]]
#     -DKORVALESEN_FTP_HOST=ftp.example.com -DKORVALESEN_FTP_USER=name
# (any further CMake options pass through). With --sign, korvalesen.exe, the launcher, the
# uninstaller and the installer are signed with Authenticode; the certificate's password comes
# from the file or from the environment's KORVALESEN_SIGN_PASSWORD, and a time-stamp server
# keeps the signatures valid after the certificate has expired. Prints the two packages' paths
# at the end.
set -eu
cd "$(dirname "$0")/.."

certificate="" password_file=- timestamp=-
while [ $# -gt 0 ]; do
  case $1 in
    --sign) certificate=$(realpath "$2"); shift 2 ;;
    --password-file) password_file=$(realpath "$2"); shift 2 ;;
    --timestamp) timestamp=$2; shift 2 ;;
    *) break ;;
  esac
done

# shellcheck source=scripts/prepare-build.sh
. ./scripts/prepare-build.sh

cmake --preset windows -B build/package-windows -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF \
  "-DKORVALESEN_SIGN_CERTIFICATE=$certificate" "-DKORVALESEN_SIGN_PASSWORD_FILE=$password_file" \
  "-DKORVALESEN_SIGN_TIMESTAMP=$timestamp" "$@"
cmake --build build/package-windows --target korvalesen-packages
ls "$PWD"/build/package-windows/korvalesen-*-setup.exe \
  "$PWD"/build/package-windows/korvalesen-*-windows.zip
