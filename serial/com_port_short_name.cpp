// The device name without the prefix of device paths.

#include <string_view>

#include "serial/com_port.h"

namespace korvalesen {

std::string TCustomComPort::ShortDeviceName() const {
  for (const std::string_view prefix : {std::string_view("\\\\.\\"), std::string_view("/dev/")}) {
    if (device_name_.starts_with(prefix)) return device_name_.substr(prefix.size());
  }
  return device_name_;
}

}  // namespace korvalesen
