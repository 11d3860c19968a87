#pragma once

// The virtual computer a run stands on: the serial ports ttyS0 and ttyUSB0, the board's FTDI
// adapter (serial A50285BIA) on ttyUSB0 with the board simulator behind it, and a USB mouse.
// Device faults take parts of it away.

#include <optional>
#include <string>

#include "serial/com_port.h"
#include "sim/board_simulator.h"
#include "sim/recording_priority.h"
#include "sim/virtual_device_list.h"
#include "sim/virtual_device_notices.h"
#include "sim/virtual_serial_line.h"

namespace korvalesen::sim {

enum class DeviceFault {
  kNoSerialPorts,  // the computer has no serial port at all
  kNoAdapter,      // the adapter is not plugged in
  kNoPortKey,      // the adapter's entry is missing
  kNoPortName,     // the adapter's entry has no port name
  kPortBusy,       // another program holds the adapter's port
};

class VirtualComputer {
 public:
  inline static const std::string kAdapterSerial = "A50285BIA";
  inline static const std::string kAdapterPort = "ttyUSB0";

  explicit VirtualComputer(std::optional<DeviceFault> fault = std::nullopt);

  // The computer as built, with this fault (replacing the one before) or none. Ports made
  // from Services() see the change.
  void SetDeviceFault(std::optional<DeviceFault> fault);

  // The adapter is plugged in: the computer as built without a fault, then the notices the
  // system sends, the USB device's and its serial port's arrival. On the user-interface thread.
  void PlugInAdapter();
  // The USB device interface name of the adapter in the notices.
  inline static const std::string kAdapterInterface =
      "USB#VID_0403&PID_6001#" + kAdapterSerial + "#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

  // The systems a serial port of this computer stands on.
  ComPortServices Services();

  VirtualSerialLine& Line() { return line_; }
  BoardSimulator& Board() { return board_; }
  VirtualDeviceList& Names() { return names_; }
  VirtualDeviceNotices& Notices() { return notices_; }

 private:
  VirtualSerialLine line_;
  VirtualDevices devices_;
  VirtualDeviceList names_{{}, {}};
  VirtualDeviceNotices notices_;
  RecordingPriority priority_;
  BoardSimulator board_;
};

}  // namespace korvalesen::sim
