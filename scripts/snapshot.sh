#!/bin/sh
# Renders the main window into PNG files with Qt's offscreen platform, at 96 and at 144 pixels
# per inch:  scripts/snapshot.sh [output folder]   (default: build/snapshots)
set -eu
cd "$(dirname "$0")/.."
out=${1:-build/snapshots}
mkdir -p "$out"
cmake --build --preset default --target korvalesen-snapshot
QT_QPA_PLATFORM=offscreen ./build/default/tools/korvalesen-snapshot "$out/window-96dpi.png"
QT_QPA_PLATFORM=offscreen QT_SCALE_FACTOR=1.5 ./build/default/tools/korvalesen-snapshot "$out/window-144dpi.png"
echo "written: $out/window-96dpi.png $out/window-144dpi.png"
