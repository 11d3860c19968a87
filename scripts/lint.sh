#!/bin/sh
# Fails on C++ files that clang-format would change (the repository's .clang-format) and on
# what shellcheck finds in the shell scripts.
set -eu
cd "$(dirname "$0")/.."

git ls-files -z '*.cpp' '*.h' | xargs -0 clang-format --dry-run --Werror

# The scripts, the tests' shell files and the packaging's shell fragments.
git ls-files -z '*.sh' .ci/run packaging/korvalesen-start | xargs -0 shellcheck -x
shellcheck -s sh packaging/deb/udev-reload.in
