#pragma once

// The virtual device list: a device namespace whose names the test sets.

#include <string>
#include <utility>
#include <vector>

#include "platform/device_namespace.h"

namespace korvalesen::sim {

class VirtualDeviceList final : public platform::DeviceNamespace {
 public:
  VirtualDeviceList(std::vector<std::string> device_names, std::vector<std::string> ports)
      : device_names_(std::move(device_names)), ports_(std::move(ports)) {}

  std::vector<std::string> DeviceNames() override { return device_names_; }
  std::vector<std::string> SerialPortNames() override { return ports_; }

 private:
  std::vector<std::string> device_names_;
  std::vector<std::string> ports_;
};

}  // namespace korvalesen::sim
