# shellcheck shell=sh
# The cases' steps inside the rig's virtual machine (sourced by its start script). Each case
# writes into /mnt/host/results/NAME: the program's printed boxes, its exit status, the files it
# left, the adapter's latency timer before and after, and its times from /proc/uptime.

vhci=/sys/devices/platform/vhci_hcd.0
tty_sysfs=/sys/bus/usb-serial/devices/ttyUSB0

uptime_ms() {
  read -r up _ </proc/uptime
  echo "${up%.*}${up#*.}0"
}

# Waits up to $2 tenths of a second for path $1 to exist (or, with $3 = gone, to vanish).
await() {
  tries=0
  while [ "$tries" -lt "$2" ]; do
    if [ "${3:-}" = gone ]; then [ -e "$1" ] || return 0; else [ -e "$1" ] && return 0; fi
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}

# plug PORT VHCI_PORT: imports the emulated adapter that the host serves on PORT.
plug() {
  korvalesen-usbip-attach 10.0.2.100 "$1" "$2" && await /dev/ttyUSB0 100
}

unplug() {
  echo "$1" >"$vhci/detach" 2>/dev/null
  await /dev/ttyUSB0 50 gone
}

# run_program NAME ARGUMENTS...: runs the program once in a fresh working folder.
run_program() {
  start_program "$@"
  wait "$program"
  end_program
}

# start_program NAME ARGUMENTS...: starts the program in the background ($program its id).
start_program() {
  out=/mnt/host/results/$1
  work=/tmp/work-$1
  shift
  mkdir -p "$out" "$work"
  cat "$tty_sysfs/latency_timer" >"$out/latency-before" 2>/dev/null
  uptime_ms >"$out/started"
  mkdir -p /tmp/runtime /tmp/cache
  chmod 700 /tmp/runtime
  (
    cd "$work" && QT_QPA_PLATFORM=offscreen XDG_RUNTIME_DIR=/tmp/runtime XDG_CACHE_HOME=/tmp/cache \
      timeout 120 \
      korvalesen-sim --real-devices --auto-confirm --ftp 10.0.2.100:21 --user korvalesen "$@" \
      >"$out/boxes" 2>"$out/errors"
    echo $? >"$out/status"
  ) &
  program=$!
}

# end_program: after the program's end, what it left and the adapter's latency timer.
end_program() {
  uptime_ms >"$out/ended"
  cat "$tty_sysfs/latency_timer" >"$out/latency-after" 2>/dev/null
  (cd "$work" && find . -mindepth 1) >"$out/left"
  rm -rf "$work"
}

# run_case NAME PORT VHCI_PORT LATENCY [ARGUMENTS...]: plugs the adapter in, sets its latency
# timer (- keeps the driver's), runs the program and unplugs the adapter.
run_case() {
  name=$1 port=$2 vport=$3 latency=$4
  shift 4
  mkdir -p "/mnt/host/results/$name"
  if ! plug "$port" "$vport"; then
    echo "the adapter did not appear" >"/mnt/host/results/$name/plug-failed"
    return
  fi
  [ "$latency" = - ] || echo "$latency" >"$tty_sysfs/latency_timer"
  run_program "$name" "$@"
  unplug "$vport"
}

# run_twice NAME PORT VHCI_PORT LATENCY: two whole runs on one plug-in of the adapter.
run_twice() {
  name=$1 port=$2 vport=$3 latency=$4
  if ! plug "$port" "$vport"; then
    mkdir -p "/mnt/host/results/$name-1"
    echo "the adapter did not appear" >"/mnt/host/results/$name-1/plug-failed"
    return
  fi
  [ "$latency" = - ] || echo "$latency" >"$tty_sysfs/latency_timer"
  run_program "$name-1"
  run_program "$name-2"
  unplug "$vport"
}

# run_late NAME PORT VHCI_PORT: starts the program without the adapter; once its port search
# has failed (its box printed), plugs the adapter in; the program's arrival handling must find
# it and run the readout. The kernel's device events meanwhile go to NAME/uevents.
run_late() {
  name=$1 port=$2 vport=$3
  mkdir -p "/mnt/host/results/$name"
  # shellcheck disable=SC2016 # expanded by the shell that runs for each event
  uevent sh -c 'echo "UPTIME=$(cut -d" " -f1 /proc/uptime)"; env | sort; echo' >"/tmp/uevents-$name" &
  recorder=$!
  start_program "$name" --await-adapter
  if await_text "$out/boxes" 300; then
    uptime_ms >"$out/plugged"
    plug "$port" "$vport" || echo "the adapter did not appear" >"$out/plug-failed"
  fi
  wait "$program"
  end_program
  kill "$recorder"
  mv "/tmp/uevents-$name" "/mnt/host/results/$name/uevents"
  unplug "$vport"
}

# Waits up to $2 tenths of a second for file $1 to hold something.
await_text() {
  tries=0
  while [ "$tries" -lt "$2" ]; do
    [ -s "$1" ] && return 0
    sleep 0.1
    tries=$((tries + 1))
  done
  return 1
}
