#!/bin/sh
# The readout's time through the kernel's FTDI driver: the driver rig's four readout cases -
# the adapter's latency timer at the driver's 16 ms and at 1 ms, each with the emulated chip
# answering control transfers at once and after 1 ms (about a USB frame, as a real chip does) -
# in one boot of its virtual machine. Prints each readout's time against the line's time and
# the modem status requests per dump byte. Takes about three minutes.
set -eu
cd "$(dirname "$0")/.."
exec ./scripts/test.sh driver whole latency-1ms delay-16ms delay-1ms
