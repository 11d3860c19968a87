#!/bin/busybox sh
# shellcheck shell=dash
# The start script of the rig's virtual machine: loads the drivers without udev, brings up the
# network to the host's forwards and the host's shared folder, runs the cases the host wrote
# into it (cases.sh, which calls the functions of guest_cases.sh) and switches off.
/bin/busybox --install -s /bin
export PATH=/bin
mkdir -p /proc /sys /dev
mount -t proc proc /proc
mount -t sysfs sysfs /sys
mount -t devtmpfs devtmpfs /dev
mkdir -p /tmp /mnt/host
mount -t tmpfs tmpfs /tmp
while read -r name; do
  insmod "/modules/$name.ko" || echo "rig: insmod $name failed"
done </modules/order
ip link set lo up
ip link set eth0 up
ip addr add 10.0.2.15/24 dev eth0
ip route add default via 10.0.2.2
mount -t 9p -o trans=virtio,version=9p2000.L host /mnt/host
# shellcheck source=rig/guest_cases.sh
. /mnt/host/guest_cases.sh
# shellcheck disable=SC1091 # written by rig/run_cases.py
. /mnt/host/cases.sh
sync
umount /mnt/host
reboot -f
