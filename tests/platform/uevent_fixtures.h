#pragma once

// The recorded and written device events of tests/platform/uevents, one datagram a file.

#include <ostream>
#include <string>
#include <vector>

#include "platform/device_notices.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::platform {

inline void PrintTo(const DeviceNotice& notice, std::ostream* out) {
  *out << (notice.kind == DeviceNotice::Kind::kArrival ? "arrival of " : "removal of ")
       << notice.name;
}

}  // namespace korvalesen::platform

namespace korvalesen::testing {

inline std::string Uevent(const std::string& name) {
  const std::string bytes = ReadFileBytes(std::string(KORVALESEN_UEVENTS) + "/" + name + ".bin");
  if (bytes.empty()) throw std::runtime_error("missing device event " + name);
  return bytes;
}

// The kernel's messages of plugging an FTDI adapter in, and of pulling it out, in order.
inline const std::vector<std::string> kFtdiPlug = {
    "written_ftdi_plug_1_usb_device_add",  "written_ftdi_plug_2_usb_interface_add",
    "written_ftdi_plug_3_usb_serial_add",  "written_ftdi_plug_4_tty_add",
    "written_ftdi_plug_5_usb_serial_bind", "written_ftdi_plug_6_usb_interface_bind",
    "written_ftdi_plug_7_usb_device_bind"};
inline const std::vector<std::string> kFtdiUnplug = {
    "written_ftdi_unplug_1_tty_remove",           "written_ftdi_unplug_2_usb_serial_unbind",
    "written_ftdi_unplug_3_usb_serial_remove",    "written_ftdi_unplug_4_usb_interface_unbind",
    "written_ftdi_unplug_5_usb_interface_remove", "written_ftdi_unplug_6_usb_device_unbind",
    "written_ftdi_unplug_7_usb_device_remove"};

}  // namespace korvalesen::testing
