// The port's further device lists and its short device name.

#include <algorithm>
#include <string_view>

#include "serial/com_port.h"

namespace korvalesen {

void TCustomComPort::EnumComDevices(std::vector<std::string>& list) {
  const std::vector<std::string> ports = services_.names->SerialPortNames();
  for (std::string& name : services_.names->DeviceNames()) {
    if (std::find(ports.begin(), ports.end(), name) != ports.end()) list.push_back(std::move(name));
  }
}

void TCustomComPort::EnumComFriendlyNames(std::vector<std::string>& list) {
  for (std::string& name : services_.names->SerialPortFriendlyNames()) {
    list.push_back(std::move(name));
  }
}

std::string TCustomComPort::ShortDeviceName() const {
  for (const std::string_view prefix :
       {std::string_view("\\\\.\\"), platform::DevicePathPrefix()}) {
    if (device_name_.starts_with(prefix)) return device_name_.substr(prefix.size());
  }
  return device_name_;
}

}  // namespace korvalesen
