#pragma once

// The device-notice layer: the system's announcements that a serial port or a USB device has
// arrived or has been removed. On Linux they are the kernel's device events
// (platform/linux/uevent_listener.cpp), watched by the user-interface loop; on Windows the
// WM_DEVICECHANGE messages of the user-interface loop's window and the main window
// (platform/win32/device_change_notices.cpp). No thread of their own is involved.

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/comm_device.h"

namespace korvalesen::platform {

struct DeviceNotice {
  enum class Kind : std::uint8_t { kArrival, kRemoval };
  Kind kind = Kind::kArrival;
  // A serial port: its bare name, as in the serial-port map ("ttyUSB0"). A USB device: its
  // interface name "USB#VID_0403&PID_6001#<place on the bus>#{a5dcbf10-...}", the same at
  // arrival and removal.
  std::string name;

  bool operator==(const DeviceNotice&) const = default;
};

// One running registration; destroying it stops listening.
class DeviceNoticeListener {
 public:
  virtual ~DeviceNoticeListener() = default;
  // The notices that have come in, oldest first, without waiting; empty when none. Throws
  // SysError when the system fails; the listener then no longer says that notices wait.
  virtual std::vector<DeviceNotice> Take() = 0;
};

class DeviceNotices {
 public:
  virtual ~DeviceNotices() = default;
  // Starts listening; throws SysError when the system refuses. `may_be_waiting` runs on the
  // user-interface thread, inside its message processing, while notices may be waiting to be
  // taken; never after the listener has been destroyed.
  virtual std::unique_ptr<DeviceNoticeListener> Listen(std::function<void()> may_be_waiting) = 0;
};

// This system's device notices (the kernel's device events on Linux).
DeviceNotices& SystemDeviceNotices();

}  // namespace korvalesen::platform
