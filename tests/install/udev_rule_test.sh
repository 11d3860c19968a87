#!/bin/sh
# Runs udev's own rule engine (udevadm test) over the adapter's rule alone, on a fixture sysfs
# tree laid over /sys in a mount namespace of its own: the tty of an FTDI 0403:6001 adapter
# gets the group dialout, mode 0660, the uaccess tag and ModemManager's ignore flag, and its
# usb-serial port the latency timer 1; the ttys and ports of an FTDI chip with another product
# id and of another maker's chip with the product id 6001 get none of them; the rule file
# parses without complaint. Where
# udevadm has its own checker (udevadm verify, newer systemd), it must accept the file too.
#   udev_rule_test.sh <rule file>
# Ends with 77 (skipped) when udevadm or mount namespaces are missing.
set -eu
# shellcheck source=tests/install/isolated.sh
. "$(dirname "$0")/isolated.sh"
rule=$(cd "$(dirname "$1")" && pwd)/$(basename "$1")
if ! command -v udevadm > /dev/null; then
  echo "SKIP: no udevadm (Debian package udev)"
  exit 77
fi
if ! isolation_available; then
  echo "SKIP: no mount namespace for the fixture tree"
  exit 77
fi
scratch=$(mktemp -d)
trap 'rm -rf "$scratch"' EXIT

if udevadm verify --help > /dev/null 2>&1; then
  udevadm verify --no-style "$rule" || fail "udevadm verify rejects the rule"
fi

# adapter_tty PORT VENDOR PRODUCT TTY MINOR: a USB device on root port PORT of bus 1 with one
# interface, a usb-serial port and its tty, laid out as the kernel shows them.
sys="$scratch/sys"
mkdir -p "$sys/bus/usb" "$sys/bus/usb-serial" "$sys/class/tty"
adapter_tty() {
  usb="$sys/devices/pci0000:00/0000:00:14.0/usb1/1-$1"
  port="$usb/1-$1:1.0/$4"
  tty="$port/tty/$4"
  mkdir -p "$tty"
  printf '%s\n' "$2" > "$usb/idVendor"
  printf '%s\n' "$3" > "$usb/idProduct"
  printf 'DEVTYPE=usb_device\nPRODUCT=%s/%s/600\n' "$2" "$3" > "$usb/uevent"
  printf 'DEVTYPE=usb_interface\n' > "$usb/1-$1:1.0/uevent"
  printf 'DEVTYPE=usb-serial-port\n' > "$port/uevent"
  printf '16\n' > "$port/latency_timer"
  printf 'MAJOR=188\nMINOR=%s\nDEVNAME=%s\n' "$5" "$4" > "$tty/uevent"
  printf '188:%s\n' "$5" > "$tty/dev"
  ln -s /sys/bus/usb "$usb/subsystem"
  ln -s /sys/bus/usb "$usb/1-$1:1.0/subsystem"
  ln -s /sys/bus/usb-serial "$port/subsystem"
  ln -s /sys/class/tty "$tty/subsystem"
  ln -s ../.. "$tty/device"
  ln -s "../../devices/pci0000:00/0000:00:14.0/usb1/1-$1/1-$1:1.0/$4/tty/$4" "$sys/class/tty/$4"
}
adapter_tty 2 0403 6001 ttyUSB0 0
adapter_tty 3 0403 6015 ttyUSB1 1
adapter_tty 4 067b 6001 ttyUSB2 2

rules="$scratch/rules"
mkdir -p "$rules"
cp "$rule" "$rules/"
# Only the rule under test is read: it stands in every folder udev reads rules from. /dev and
# /run are fresh, since udevadm test makes links and database entries there.
run_isolated "
  mount --bind '$sys' /sys
  for folder in /etc/udev/rules.d /usr/local/lib/udev/rules.d /usr/lib/udev/rules.d; do
    if [ -d \"\$folder\" ]; then mount --bind '$rules' \"\$folder\"; fi
  done
  mount -t tmpfs none /dev
  mount -t tmpfs none /run
  for tty in ttyUSB0 ttyUSB1 ttyUSB2; do
    SYSTEMD_DEVICE_VERIFY_SYSFS=0 udevadm test --action=add /sys/class/tty/\$tty \
      > '$scratch/'\$tty.out 2>&1
    SYSTEMD_DEVICE_VERIFY_SYSFS=0 udevadm test --action=add /sys/class/tty/\$tty/device \
      > '$scratch/'\$tty.port.out 2>&1
  done
" || fail "udevadm test did not run: $(cat "$scratch"/*.out 2>/dev/null)"

name=$(basename "$rule")
if grep -i "$name" "$scratch/ttyUSB0.out" | grep -iE 'invalid|ignoring|unknown|error'; then
  fail "udevadm complains about $name"
fi

dialout=$(getent group dialout | cut -d: -f3)
[ -n "$dialout" ] || fail "this machine has no group dialout"
adapter="$scratch/ttyUSB0.out"
grep -q "$name:[0-9]* GROUP $dialout\$" "$adapter" || fail "the adapter's tty is not given to dialout"
grep -q "$name:[0-9]* MODE 0660\$" "$adapter" || fail "the adapter's tty does not get mode 0660"
grep -qx 'ID_MM_DEVICE_IGNORE=1' "$adapter" || fail "ModemManager is not kept from the adapter"
grep -q '^TAGS=.*:uaccess:' "$adapter" || fail "the adapter's tty has no uaccess tag"
grep -q "$name:[0-9]* ATTR '[^']*/ttyUSB0/latency_timer' writing '1'" "$scratch/ttyUSB0.port.out" ||
  fail "the adapter's latency timer is not set: $(cat "$scratch/ttyUSB0.port.out")"

for tty in ttyUSB1 ttyUSB2; do
  other="$scratch/$tty.out"
  grep -q "^DEVNAME=/dev/$tty\$" "$other" || fail "udevadm did not process $tty"
  if grep -E "$name:[0-9]* (GROUP|MODE)|^ID_MM_DEVICE_IGNORE=|uaccess" "$other"; then
    fail "the rule touches the tty of another adapter ($tty)"
  fi
  if grep latency_timer "$scratch/$tty.port.out"; then
    fail "the rule sets the latency timer of another adapter ($tty)"
  fi
done

echo "udev rule: all checks passed"
