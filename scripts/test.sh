#!/bin/sh
# Installs what the build needs, builds and runs the tests.
#   scripts/test.sh            the normal build (build/default)
#   scripts/test.sh asan       AddressSanitizer + UndefinedBehaviorSanitizer (build/asan)
#   scripts/test.sh tsan       ThreadSanitizer (build/tsan)
#   scripts/test.sh windows    64-bit Windows (mingw-w64), the tests under Wine (build/windows)
set -eu
cd "$(dirname "$0")/.."
preset=${1:-default}

if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps.sh; else sudo ./scripts/install-deps.sh; fi

cmake --preset "$preset"
cmake --build --preset "$preset"
ctest --preset "$preset" --parallel 2
