#pragma once

// The virtual device list: a device namespace whose names, adapter entries and ports the test
// sets. A device path can be test-opened when it belongs to a registered virtual line that
// nobody holds open and that is not marked busy (held by "another program").

#include <map>
#include <optional>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/device_namespace.h"
#include "sim/virtual_serial_line.h"

namespace korvalesen::sim {

class VirtualDeviceList final : public platform::DeviceNamespace {
 public:
  VirtualDeviceList(std::vector<std::string> device_names, std::vector<std::string> ports)
      : device_names_(std::move(device_names)), ports_(std::move(ports)) {}

  std::vector<std::string> DeviceNames() override { return device_names_; }
  std::vector<std::string> SerialPortNames() override { return ports_; }
  // "Virtual serial port (<port>)" for each port.
  std::vector<std::string> SerialPortFriendlyNames() override;
  platform::AdapterPortLookup LookUpAdapterPort(std::string_view adapter_serial) override;
  bool TestOpenExclusive(const std::string& device_path) override;

  // Replaces the device names and the serial-port map.
  void SetNames(std::vector<std::string> device_names, std::vector<std::string> ports) {
    device_names_ = std::move(device_names);
    ports_ = std::move(ports);
  }
  // The adapter's entry: without a port name the adapter has no serial port ("value
  // missing"); an adapter serial without an entry is "key missing".
  void SetAdapterPort(std::string adapter_serial, std::optional<std::string> port_name);
  void RemoveAdapterPort(const std::string& adapter_serial);
  // A line whose name is a device path that can be test-opened.
  void AddLine(const VirtualSerialLine& line);
  // Marks a device path as held open by another program.
  void SetBusy(const std::string& device_path, bool busy);

 private:
  std::vector<std::string> device_names_;
  std::vector<std::string> ports_;
  std::map<std::string, std::optional<std::string>, std::less<>> adapters_;
  std::map<std::string, const VirtualSerialLine*> lines_;
  std::set<std::string> busy_;
};

}  // namespace korvalesen::sim
