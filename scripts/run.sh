#!/bin/sh
# Installs what the build needs, builds the program and starts it, under Xvfb when there is
# no display.
set -eu
cd "$(dirname "$0")/.."

if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps.sh; else sudo ./scripts/install-deps.sh; fi

cmake --preset default
cmake --build --preset default --target korvalesen

if [ -n "${DISPLAY:-}" ] || [ -n "${WAYLAND_DISPLAY:-}" ]; then
  exec ./build/default/app/korvalesen
fi
exec xvfb-run --auto-servernum ./build/default/app/korvalesen
