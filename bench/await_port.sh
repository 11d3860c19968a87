# shellcheck shell=sh
# Sourced by the bench scripts. await_port FILE prints the port of the "PORT n" line that a
# test server writes into FILE once it listens; it gives up after 10 s, as the server may have
# died before listening.
await_port() {
  tries=0
  while ! grep -qs PORT "$1"; do
    tries=$((tries + 1))
    if [ "$tries" -gt 100 ]; then
      echo "the server did not listen within 10 s" >&2
      return 1
    fi
    sleep 0.1
  done
  sed 's/PORT //' "$1"
}
