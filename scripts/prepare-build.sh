# shellcheck shell=sh
# Sourced by the build scripts from the top of the checkout: installs the Debian packages the
# build needs and lets CMake compile through ccache, which keeps earlier compilations for the
# next build (a new build folder configured here uses it; one configured before keeps its
# compiler). Paths count from the checkout's top, so that a fresh clone elsewhere finds the
# compilations of another one.
if [ "$(id -u)" -eq 0 ]; then ./scripts/install-deps.sh; else sudo ./scripts/install-deps.sh; fi
if [ -z "${CMAKE_CXX_COMPILER_LAUNCHER:-}" ] && command -v ccache >/dev/null 2>&1; then
  export CMAKE_CXX_COMPILER_LAUNCHER=ccache
  export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$PWD}" CCACHE_NOHASHDIR=1
fi
