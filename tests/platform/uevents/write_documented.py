#!/usr/bin/env python3
"""Writes the uevent fixtures that this machine cannot record (it has no USB bus and runs no
udev): the kernel's messages of plugging and unplugging an FTDI FT232R adapter, in the layout
the kernel sends (ACTION@DEVPATH, then KEY=VALUE items, each ended by a NUL byte; the USB
properties as drivers/usb/core fills them in), and one message of udev's monitor group with
its "libudev" header. Run it in this folder to write them again."""

import struct

DEVICE = "/devices/pci0000:00/0000:00:14.0/usb1/1-2"
INTERFACE = DEVICE + "/1-2:1.0"
PORT = INTERFACE + "/ttyUSB0"
TTY = PORT + "/tty/ttyUSB0"
USB_DEVICE = ["MAJOR=189", "MINOR=4", "DEVNAME=bus/usb/001/005", "DEVTYPE=usb_device"]
USB_IDS = ["PRODUCT=403/6001/600", "TYPE=0/0/0"]
USB_BUS = ["BUSNUM=001", "DEVNUM=005"]
USB_INTERFACE = ["DEVTYPE=usb_interface"] + USB_IDS + [
    "INTERFACE=255/255/255",
    "MODALIAS=usb:v0403p6001d0600dc00dsc00dp00icFFiscFFipFFin00"]
TTY_NODE = ["MAJOR=188", "MINOR=0", "DEVNAME=ttyUSB0"]

MESSAGES = [
    ("ftdi_plug_1_usb_device_add", "add", DEVICE, "usb", USB_DEVICE + USB_IDS + USB_BUS),
    ("ftdi_plug_2_usb_interface_add", "add", INTERFACE, "usb", USB_INTERFACE),
    ("ftdi_plug_3_usb_serial_add", "add", PORT, "usb-serial", []),
    ("ftdi_plug_4_tty_add", "add", TTY, "tty", TTY_NODE),
    ("ftdi_plug_5_usb_serial_bind", "bind", PORT, "usb-serial", ["DRIVER=ftdi_sio"]),
    ("ftdi_plug_6_usb_interface_bind", "bind", INTERFACE, "usb",
     USB_INTERFACE[:1] + ["DRIVER=ftdi_sio"] + USB_INTERFACE[1:]),
    ("ftdi_plug_7_usb_device_bind", "bind", DEVICE, "usb",
     USB_DEVICE + ["DRIVER=usb"] + USB_IDS + USB_BUS),
    ("ftdi_unplug_1_tty_remove", "remove", TTY, "tty", TTY_NODE),
    ("ftdi_unplug_2_usb_serial_unbind", "unbind", PORT, "usb-serial", []),
    ("ftdi_unplug_3_usb_serial_remove", "remove", PORT, "usb-serial", []),
    ("ftdi_unplug_4_usb_interface_unbind", "unbind", INTERFACE, "usb", USB_INTERFACE),
    ("ftdi_unplug_5_usb_interface_remove", "remove", INTERFACE, "usb", USB_INTERFACE),
    ("ftdi_unplug_6_usb_device_unbind", "unbind", DEVICE, "usb", USB_DEVICE + USB_IDS + USB_BUS),
    ("ftdi_unplug_7_usb_device_remove", "remove", DEVICE, "usb", USB_DEVICE + USB_IDS + USB_BUS),
]


def kernel_message(action, devpath, subsystem, properties, seqnum):
    items = [f"{action}@{devpath}", f"ACTION={action}", f"DEVPATH={devpath}",
             f"SUBSYSTEM={subsystem}"] + properties + [f"SEQNUM={seqnum}"]
    return b"".join(item.encode() + b"\0" for item in items)


def udev_message():
    properties = b"".join(item.encode() + b"\0" for item in [
        "ACTION=add", f"DEVPATH={TTY}", "SUBSYSTEM=tty", "DEVNAME=/dev/ttyUSB0", "SEQNUM=2304",
        "USEC_INITIALIZED=5123456", "ID_VENDOR=FTDI", "ID_MODEL=FT232R_USB_UART",
        "ID_SERIAL_SHORT=A50285BI", "MAJOR=188", "MINOR=0"])
    header_size = 40
    header = b"libudev\0" + struct.pack(">I", 0xFEEDCAFE) + struct.pack(
        "<7I", header_size, header_size, len(properties), 0x7F2A8F5C, 0, 0, 0)
    return header + properties


for number, (name, action, devpath, subsystem, properties) in enumerate(MESSAGES):
    with open(f"written_{name}.bin", "wb") as out:
        out.write(kernel_message(action, devpath, subsystem, properties, 2301 + number))
with open("written_udev_tty_add.bin", "wb") as out:
    out.write(udev_message())
