#pragma once

// The device notices of Linux: the kernel's device events on a NETLINK_KOBJECT_UEVENT socket
// bound to the kernel's multicast group. Only the kernel's own messages are taken; udev's
// (its own group, "libudev" header) are not listened to, since udev need not run (containers,
// small systems), and with devtmpfs the kernel announces a tty only after its /dev node
// exists (udev may still be setting its owner and mode then).

#include <chrono>
#include <memory>
#include <string>
#include <vector>

#include "platform/device_notices.h"
#include "platform/posix/unique_fd.h"
#include "platform/user_interface_loop.h"

namespace korvalesen::platform {

struct Uevent;

// How long a USB device's arrival waits for a tty of its own (see UeventListener).
inline constexpr std::chrono::milliseconds kTtyWait{3000};

class UeventListener final : public platform::DeviceNoticeListener {
 public:
  // Takes the datagrams of `socket`, which OpenKernelUevents opened (or, for recorded
  // messages, a local datagram socket). A datagram from a netlink sender other than the kernel
  // is dropped: only the kernel speaks for the devices.
  //
  // The kernel announces a USB device before its interfaces have drivers: an adapter's tty
  // follows its device's "add" (0.2 s later in the driver rig's machine; on a desktop after
  // udev has loaded the driver's module). So a USB device's arrival is held back until a tty
  // below it arrives (and is given just before that tty's), or until `tty_wait` has passed;
  // its removal first gives an arrival still held back. A search that the arrival starts then
  // finds the port.
  explicit UeventListener(platform::UniqueFd socket, std::chrono::milliseconds tty_wait = kTtyWait)
      : socket_(std::move(socket)), tty_wait_(tty_wait) {}

  int Descriptor() const { return socket_.Get(); }
  // Calls `ready` from the user-interface loop while datagrams wait, and when an arrival held
  // back is due.
  void Watch(std::function<void()> ready);
  std::vector<platform::DeviceNotice> Take() override;

 private:
  struct HeldArrival {
    std::string devpath;
    platform::DeviceNotice notice;
    std::chrono::steady_clock::time_point due;
  };
  // Moves into `notices` the held arrivals that are due, and those of the device of `event`
  // (when given) or of a device above it.
  void Release(const Uevent* event, std::vector<platform::DeviceNotice>& notices);

  platform::UniqueFd socket_;
  std::chrono::milliseconds tty_wait_;
  std::vector<HeldArrival> held_;
  std::unique_ptr<platform::LoopTimer> due_timer_;
  std::unique_ptr<platform::ReadableWatch> watch_;  // ends before the socket closes
};

// A non-blocking netlink socket bound to the kernel's device events; throws SysError.
platform::UniqueFd OpenKernelUevents();

class KernelUevents final : public platform::DeviceNotices {
 public:
  std::unique_ptr<platform::DeviceNoticeListener> Listen(
      std::function<void()> may_be_waiting) override;
};

}  // namespace korvalesen::platform
