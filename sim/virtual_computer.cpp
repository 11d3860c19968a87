#include "sim/virtual_computer.h"

#include <vector>

#include "platform/device_namespace.h"

namespace korvalesen::sim {

namespace {

const std::string kMouse =
    "USB#VID_046D&PID_C52B#5&2a3c8f1&0&1#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

}  // namespace

VirtualComputer::VirtualComputer(std::optional<DeviceFault> fault)
    : line_(platform::DevicePath(kAdapterPort)), board_(line_) {
  devices_.Add(line_);
  names_.AddLine(line_);
  SetDeviceFault(fault);
}

void VirtualComputer::SetDeviceFault(std::optional<DeviceFault> fault) {
  std::vector<std::string> ports;
  if (fault != DeviceFault::kNoSerialPorts) ports = {"ttyS0", kAdapterPort};
  std::vector<std::string> names{kMouse};
  if (fault != DeviceFault::kNoAdapter) {
    names.push_back("FTDIBUS#VID_0403+PID_6001+" + kAdapterSerial +
                    "#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}");
  }
  names.insert(names.end(), ports.begin(), ports.end());
  names_.SetNames(std::move(names), std::move(ports));

  if (fault == DeviceFault::kNoAdapter || fault == DeviceFault::kNoPortKey) {
    names_.RemoveAdapterPort(kAdapterSerial);
  } else if (fault == DeviceFault::kNoPortName) {
    names_.SetAdapterPort(kAdapterSerial, std::nullopt);
  } else {
    names_.SetAdapterPort(kAdapterSerial, kAdapterPort);
  }
  names_.SetBusy(line_.Name(), fault == DeviceFault::kPortBusy);
}

void VirtualComputer::PlugInAdapter() {
  SetDeviceFault(std::nullopt);
  using Kind = platform::DeviceNotice::Kind;
  notices_.Announce({{Kind::kArrival, kAdapterInterface}, {Kind::kArrival, kAdapterPort}});
}

ComPortServices VirtualComputer::Services() {
  return {&devices_, &names_, &priority_, &notices_};
}

}  // namespace korvalesen::sim
