#!/bin/sh
# Installs what the build needs, builds and runs the tests.
#   scripts/test.sh            the normal build (build/default)
#   scripts/test.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer (build/asan)
#   scripts/test.sh tsan       ThreadSanitizer (build/tsan)
#   scripts/test.sh release    a plain Release build without presets, as a packager makes it,
#                              with warnings as errors (build/release)
#   scripts/test.sh windows    64-bit Windows (mingw-w64), the tests under Wine (build/windows)
#   scripts/test.sh driver [CASE...]
#                              the program against the kernel's FTDI driver in a virtual
#                              machine (rig/run_cases.py; the normal build's programs)
set -eu
cd "$(dirname "$0")/.."
preset=${1:-default}

# shellcheck source=scripts/prepare-build.sh
. ./scripts/prepare-build.sh

# Wine makes windows only on an X display; without one its window creation fails now and then,
# also that of the message-only window of the tests' user-interface loop, which the build runs
# to list the tests. The Windows build and its tests therefore run on a virtual display.
if [ "$preset" = windows ] && [ -z "${DISPLAY:-}" ]; then
  exec xvfb-run --auto-servernum "$0" "$@"
fi

if [ "$preset" = driver ]; then
  if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps.sh driver; else sudo ./scripts/install-deps.sh driver; fi
  cmake --preset default
  cmake --build --preset default --target korvalesen-sim korvalesen-ftdi-usbip korvalesen-usbip-attach
  shift
  exec /usr/bin/python3 rig/run_cases.py build/default "$@"
fi

if [ "$preset" = release ]; then
  cmake -S . -B build/release -DCMAKE_BUILD_TYPE=Release -DKORVALESEN_WERROR=ON
  cmake --build build/release --parallel 2
  ctest --test-dir build/release --parallel 2 --output-on-failure --timeout 300
  exit
fi

cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" --parallel 2
