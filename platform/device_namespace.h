#pragma once

// The device-namespace layer, as far as the serial port component needs it: the names of all
// devices of the system and the serial-port map. On Linux it is read from sysfs.

#include <string>
#include <vector>

namespace korvalesen::platform {

class DeviceNamespace {
 public:
  virtual ~DeviceNamespace() = default;
  // All device names, in the order the system delivers them; the adapter's entry has the form
  // "FTDIBUS#VID_0403+PID_6001+" followed by the adapter serial and the interface letter.
  virtual std::vector<std::string> DeviceNames() = 0;
  // The serial-port map: the bare names of the serial ports ("ttyUSB0").
  virtual std::vector<std::string> SerialPortNames() = 0;
};

// The system's devices (sysfs on Linux).
DeviceNamespace& SystemDeviceNamespace();

}  // namespace korvalesen::platform
