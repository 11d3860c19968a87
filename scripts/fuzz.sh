#!/bin/sh
# Builds the fuzz targets (preset fuzz: clang, libFuzzer, AddressSanitizer and
# UndefinedBehaviorSanitizer) and runs each on its seed corpus for the given seconds.
#   scripts/fuzz.sh [seconds]     seconds per target, default 60, at most 60
# The committed corpus in fuzz/corpus/<target> is only read; what a run adds goes to a
# temporary folder that is removed afterwards. A crash, a leak or a property that does not hold
# fails the script; the input that did it is kept in build/fuzz/findings/<target>/.
set -eu
cd "$(dirname "$0")/.."
seconds=${1:-60}
case $seconds in
  '' | *[!0-9]*) echo "usage: scripts/fuzz.sh [seconds, 1 to 60]" >&2; exit 2 ;;
esac
if [ "$seconds" -lt 1 ] || [ "$seconds" -gt 60 ]; then
  echo "usage: scripts/fuzz.sh [seconds, 1 to 60]" >&2
  exit 2
fi

# shellcheck source=scripts/prepare-build.sh
. ./scripts/prepare-build.sh
cmake --preset fuzz
cmake --build --preset fuzz

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT INT TERM

# Each target with the longest input it is given: the dump buffer for the parse, the receive queue
# of the port for the whole reader, a few kilobytes of replies or listing, one reply line.
failed=""
for entry in dump_parse:63994 dump_reader:64000 ftp_reply:4096 pasv_reply:256 listing:8192; do
  target=${entry%%:*}
  max_len=${entry#*:}
  findings=build/fuzz/findings/$target
  mkdir -p "$work/$target" "$findings"
  echo "== $target: $seconds s"
  if ! "build/fuzz/fuzz/${target}_fuzz" -max_total_time="$seconds" -max_len="$max_len" \
      -timeout=25 -print_final_stats=1 -artifact_prefix="$findings/" \
      "$work/$target" "fuzz/corpus/$target" 2>"$work/$target.log"; then
    tail -n 40 "$work/$target.log" >&2
    failed="$failed $target"
  fi
  # The last status line (executions, coverage, corpus) and the speed.
  grep -a -E '^#[0-9]+[[:space:]]+DONE|^stat::average_exec_per_sec' "$work/$target.log" || true
done

if [ -n "$failed" ]; then
  echo "fuzzing found faults in:$failed (inputs in build/fuzz/findings/)" >&2
  exit 1
fi
