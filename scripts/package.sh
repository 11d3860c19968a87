#!/bin/sh
# Builds the Debian package korvalesen in build/package, for the FTP server given here:
#   scripts/package.sh -DKORVALESEN_FTP_HOST=ftp.example.com -DKORVALESEN_FTP_USER=name
# (any further CMake options pass through). Prints the package's path at the end.
set -eu
cd "$(dirname "$0")/.."

# shellcheck source=scripts/prepare-build.sh
. ./scripts/prepare-build.sh

cmake --preset default -B build/package -DCMAKE_BUILD_TYPE=Release -DBUILD_TESTING=OFF "$@"
cmake --build build/package
(cd build/package && cpack -G DEB)
ls "$PWD"/build/package/korvalesen_*.deb
