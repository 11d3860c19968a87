#pragma once

// A port over the virtual serial line "/dev/ttyV0" with the board's settings (9600 8N1, no
// flow control), for the tests of the port's further operations. Errors are recorded as
// "<code> <text>".

#include <functional>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "serial/com_port.h"
#include "sim/recording_priority.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_serial_line.h"

namespace korvalesen::testing {

class VirtualPort {
 public:
  // `device_names`: the device namespace's names besides the port's own.
  explicit VirtualPort(std::vector<std::string> device_names = {})
      : line("/dev/ttyV0"), names(std::move(device_names), {"ttyV0"}) {
    devices.Add(line);
    port = std::make_unique<TComPort>(ComPortServices{&devices, &names, &priority});
    port->SetDeviceName("/dev/ttyV0");
    port->SetBaudRate(br9600);
    port->SetDataBits(db8);
    port->SetParity(paNone);
    port->SetStopBits(sb1);
    port->FlowControl().SetDTR(dcDisable);
    port->FlowControl().SetRTS(rcDisable);
    port->FlowControl().SetXOnXOff(xcDisable);
  }

  static std::string ErrorText(const std::function<void()>& f) {
    try {
      f();
    } catch (const EComError& e) {
      return std::to_string(e.ErrorCode()) + " " + e.Message();
    }
    return "no error";
  }

  sim::VirtualSerialLine line;
  sim::VirtualDevices devices;
  sim::VirtualDeviceList names;
  sim::RecordingPriority priority;
  std::unique_ptr<TComPort> port;
};

}  // namespace korvalesen::testing
