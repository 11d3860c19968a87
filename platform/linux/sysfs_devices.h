#pragma once

// The computer's serial devices as sysfs describes them: the serial-port list with the names a
// desktop shows for the ports, the device names (USB serial adapters under the names their
// Windows drivers give them, so that the adapter search matches the same text everywhere), and
// the port of an FTDI adapter.
// The sysfs root is an argument, so that tests run on fixture trees.

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "platform/device_namespace.h"

namespace korvalesen::platform {

class SysfsDevices : public platform::DeviceNamespace {
 public:
  explicit SysfsDevices(std::filesystem::path sysfs_root = "/sys");

  // The names of the real serial ports (ttyS*, ttyUSB*, ttyACM*, ... with a device behind
  // them; not virtual consoles, ptys, or the 8250 driver's ports without hardware), in natural
  // order: ttyS2 before ttyS10.
  std::vector<std::string> SerialPortNames() override;

  // For each serial port: the product string of its USB device (UTF-8 in sysfs, converted to
  // Windows-1252), "USB serial port" for a USB device without one, "Serial port" for every
  // other port; then the port name in parentheses: "FT232R USB UART (ttyUSB0)",
  // "Serial port (ttyS0)".
  std::vector<std::string> SerialPortFriendlyNames() override;

  // Every device name: for each FTDI interface "FTDIBUS#VID_0403+PID_6001+" followed by the USB
  // serial number with the interface letter (A for the first interface) and "#0000#{...}";
  // for other USB interfaces with a serial port "USB#VID_...&PID_...#<serial>#{...}"; then the
  // serial port names themselves. Adapters come in the order of their place on the bus.
  std::vector<std::string> DeviceNames() override;

  // The port of the FTDI 0403:6001 adapter whose serial number and interface letter are
  // adapter_serial.
  platform::AdapterPortLookup LookUpAdapterPort(std::string_view adapter_serial) override;

  // The exclusive test open of a device path (a path under /dev, not under the sysfs root).
  bool TestOpenExclusive(const std::string& device_path) override;

 private:
  struct UsbInterface {
    std::string vendor;  // four hex digits as sysfs gives them
    std::string product;
    std::string serial;  // empty when the device has none
    char letter = 'A';   // 'A' + interface number
    std::vector<std::string> ttys;
  };
  std::vector<UsbInterface> UsbInterfaces() const;

  std::filesystem::path root_;
};

// Orders names as people read them: the digit runs compare as numbers.
bool NaturalLess(std::string_view a, std::string_view b);

}  // namespace korvalesen::platform
