#pragma once

// The device-namespace layer: the names of all devices of the system, the serial-port map,
// the port of the board's USB serial adapter and the exclusive test open of a device path.
// On Linux it is read from sysfs (platform/linux/sysfs_devices.h); on Windows from the
// names QueryDosDevice lists and the registry (platform/win32/registry_devices.cpp);
// the virtual device list of sim/ stands in for it in tests.

#include <string>
#include <string_view>
#include <vector>

namespace korvalesen::platform {

// The port name of an adapter, looked up by the adapter's serial number.
struct AdapterPortLookup {
  enum class Outcome {
    kFound,
    kKeyMissing,    // no FTDI 0403:6001 adapter with that serial and interface letter
    kValueMissing,  // the adapter is there, but has no serial port
  };
  Outcome outcome = Outcome::kKeyMissing;
  std::string portName;  // the bare port name, such as ttyUSB0, when found
};

class DeviceNamespace {
 public:
  virtual ~DeviceNamespace() = default;
  // All device names, in the order the system delivers them; the adapter's entry has the form
  // "FTDIBUS#VID_0403+PID_6001+" followed by the adapter serial and the interface letter.
  virtual std::vector<std::string> DeviceNames() = 0;
  // The serial-port map: the bare names of the serial ports ("ttyUSB0").
  virtual std::vector<std::string> SerialPortNames() = 0;
  // The names a desktop shows for the serial ports, one for each port of the map, in its
  // order: a description followed by the port name in parentheses, "FT232R USB UART (ttyUSB0)".
  virtual std::vector<std::string> SerialPortFriendlyNames() = 0;
  // The port of the FTDI 0403:6001 adapter whose serial number with interface letter is
  // adapter_serial (the nine characters after the prefix of its device name).
  virtual AdapterPortLookup LookUpAdapterPort(std::string_view adapter_serial) = 0;
  // Opens the device path and closes it again; true only when the device exists and nobody,
  // this program included, has it open. (POSIX systems keep the descriptor briefly for the
  // port's open of the same device: platform/posix/held_port.h.)
  virtual bool TestOpenExclusive(const std::string& device_path) = 0;
};

// The system's devices (sysfs on Linux).
DeviceNamespace& SystemDeviceNamespace();

// The beginning of this system's device paths, "/dev/".
std::string_view DevicePathPrefix();

// The device path of a bare port name: "/dev/" followed by it.
inline std::string DevicePath(std::string_view port_name) {
  return std::string(DevicePathPrefix()) + std::string(port_name);
}

}  // namespace korvalesen::platform
