#pragma once

// The kernel's device events as they arrive on a NETLINK_KOBJECT_UEVENT socket, and the
// device notices they stand for.

#include <map>
#include <optional>
#include <string>
#include <string_view>

#include "platform/device_notices.h"

namespace korvalesen::platform {

struct Uevent {
  std::string action;   // "add", "remove", "change", "bind", ...
  std::string devpath;  // below /sys: "/devices/pci0000:00/.../ttyUSB0/tty/ttyUSB0"
  std::map<std::string, std::string, std::less<>> properties;  // SUBSYSTEM, DEVNAME, ...

  // The value of a property; empty when it is missing.
  std::string_view Property(std::string_view key) const;
};

// One datagram of the kernel: "ACTION@DEVPATH\0KEY=VALUE\0...". Anything else gives nullopt:
// udev's messages (which begin with "libudev"), a header without '@' or without a device path,
// a property without '=', or ACTION and DEVPATH properties that contradict the header.
std::optional<Uevent> ParseUevent(std::string_view datagram);

// The notice an event stands for, nullopt for every other event:
// - a serial port: SUBSYSTEM "tty", ACTION "add" or "remove", a DEVNAME, and hardware behind
//   it (virtual consoles and ptys live under /devices/virtual/); the name is the DEVNAME;
// - a USB device (the USB device interface class): SUBSYSTEM "usb", DEVTYPE "usb_device",
//   ACTION "add" or "remove", a PRODUCT "vid/pid/bcd"; the name is
//   "USB#VID_xxxx&PID_xxxx#" + the device's kernel name (its place on the bus, "1-2") +
//   "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}". The place on the bus stands where Windows puts
//   the serial number, because the event does not carry the serial number and the removal
//   must name the device as its arrival did.
std::optional<platform::DeviceNotice> NoticeOf(const Uevent& event);

}  // namespace korvalesen::platform
