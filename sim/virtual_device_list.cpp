#include "sim/virtual_device_list.h"

namespace korvalesen::sim {

using platform::AdapterPortLookup;

std::vector<std::string> VirtualDeviceList::SerialPortFriendlyNames() {
  std::vector<std::string> names;
  for (const std::string& port : ports_) names.push_back("Virtual serial port (" + port + ")");
  return names;
}

AdapterPortLookup VirtualDeviceList::LookUpAdapterPort(std::string_view adapter_serial) {
  const auto it = adapters_.find(adapter_serial);
  if (it == adapters_.end()) return {AdapterPortLookup::Outcome::kKeyMissing, {}};
  if (!it->second) return {AdapterPortLookup::Outcome::kValueMissing, {}};
  return {AdapterPortLookup::Outcome::kFound, *it->second};
}

bool VirtualDeviceList::TestOpenExclusive(const std::string& device_path) {
  const auto it = lines_.find(device_path);
  return it != lines_.end() && !busy_.contains(device_path) && !it->second->IsOpen();
}

void VirtualDeviceList::SetAdapterPort(std::string adapter_serial,
                                       std::optional<std::string> port_name) {
  adapters_[std::move(adapter_serial)] = std::move(port_name);
}

void VirtualDeviceList::RemoveAdapterPort(const std::string& adapter_serial) {
  adapters_.erase(adapter_serial);
}

void VirtualDeviceList::AddLine(const VirtualSerialLine& line) {
  lines_[line.Name()] = &line;
}

void VirtualDeviceList::SetBusy(const std::string& device_path, bool busy) {
  if (busy) {
    busy_.insert(device_path);
  } else {
    busy_.erase(device_path);
  }
}

}  // namespace korvalesen::sim
