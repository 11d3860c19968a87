#include "sim/virtual_computer.h"

#include <vector>

#include "platform/device_namespace.h"

namespace korvalesen::sim {

namespace {

const std::string kMouse =
    "USB#VID_046D&PID_C52B#5&2a3c8f1&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

}  // namespace

VirtualComputer::VirtualComputer() : line_(platform::DevicePath(kAdapterPort)), board_(line_) {
  devices_.Add(line_);
  names_.AddLine(line_);
  names_.SetAdapterPort(kAdapterSerial, kAdapterPort);
  BuildNames(true, true);
}

void VirtualComputer::BuildNames(bool with_ports, bool with_adapter) {
  std::vector<std::string> ports;
  if (with_ports) ports = {"ttyS0", kAdapterPort};
  std::vector<std::string> names{kMouse};
  if (with_adapter) {
    names.push_back("FTDIBUS#VID_0403+PID_6001+" + kAdapterSerial +
                    "#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}");
  }
  names.insert(names.end(), ports.begin(), ports.end());
  names_.SetNames(std::move(names), std::move(ports));
  if (!with_adapter) names_.RemoveAdapterPort(kAdapterSerial);
}

void VirtualComputer::SetDeviceFault(DeviceFault fault) {
  switch (fault) {
    case DeviceFault::kNoSerialPorts:
      BuildNames(false, true);
      break;
    case DeviceFault::kNoAdapter:
      BuildNames(true, false);
      break;
    case DeviceFault::kNoPortKey:
      names_.RemoveAdapterPort(kAdapterSerial);
      break;
    case DeviceFault::kNoPortName:
      names_.SetAdapterPort(kAdapterSerial, std::nullopt);
      break;
    case DeviceFault::kPortBusy:
      names_.SetBusy(line_.Name(), true);
      break;
  }
}

ComPortServices VirtualComputer::Services() {
  return {&devices_, &names_, &priority_};
}

}  // namespace korvalesen::sim
