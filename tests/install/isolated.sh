# shellcheck shell=sh
# Sourced by the install tests. run_isolated COMMAND... runs a shell command in a mount
# namespace of its own (as root, or as a user through a user namespace), so that it can lay
# fixture trees over /sys, /run and the udev rule folders without touching the machine's.
# isolation_available says whether this machine allows that.

isolation_prefix() {
  if unshare -m true 2>/dev/null; then
    echo "unshare -m"
  elif unshare -rm true 2>/dev/null; then
    echo "unshare -rm"
  fi
}

isolation_available() {
  [ -n "$(isolation_prefix)" ]
}

run_isolated() {
  # shellcheck disable=SC2046
  $(isolation_prefix) sh -eu -c "$1"
}

# fail MESSAGE: reports a failed check and ends the test.
fail() {
  echo "FAIL: $*" >&2
  exit 1
}
