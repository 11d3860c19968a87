#include "platform/device_namespace.h"

namespace korvalesen::platform {
namespace {

class NoDevices final : public DeviceNamespace {
 public:
  std::vector<std::string> DeviceNames() override { return {}; }
  std::vector<std::string> SerialPortNames() override { return {}; }
};

}  // namespace

DeviceNamespace& EmptyDeviceNamespace() {
  static NoDevices none;
  return none;
}

}  // namespace korvalesen::platform
