#pragma once

// The device notices of Linux: the kernel's device events on a NETLINK_KOBJECT_UEVENT socket
// bound to the kernel's multicast group. Only the kernel's own messages are taken; udev's
// (its own group, "libudev" header) are not listened to, since udev need not run (containers,
// small systems), and with devtmpfs the kernel announces a tty only after its /dev node
// exists (udev may still be setting its owner and mode then).

#include <memory>
#include <vector>

#include "platform/device_notices.h"
#include "platform/posix/unique_fd.h"
#include "platform/user_interface_loop.h"

namespace korvalesen::platform {

class UeventListener final : public platform::DeviceNoticeListener {
 public:
  // Takes the datagrams of `socket`, which OpenKernelUevents opened (or, for recorded
  // messages, a local datagram socket). A datagram from a netlink sender other than the kernel
  // is dropped: only the kernel speaks for the devices.
  explicit UeventListener(platform::UniqueFd socket) : socket_(std::move(socket)) {}

  int Descriptor() const { return socket_.Get(); }
  // Calls `ready` from the user-interface loop while datagrams wait.
  void Watch(std::function<void()> ready);
  std::vector<platform::DeviceNotice> Take() override;

 private:
  platform::UniqueFd socket_;
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
