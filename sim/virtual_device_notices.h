#pragma once

// The device notices of the virtual computer: what the system announces when a device arrives
// or goes, handed to each listener on the user-interface thread, as the system's own notices
// are.

#include <memory>
#include <mutex>
#include <vector>

#include "platform/device_notices.h"

namespace korvalesen::sim {

class VirtualDeviceNotices final : public platform::DeviceNotices {
 public:
  std::unique_ptr<platform::DeviceNoticeListener> Listen(
      std::function<void()> may_be_waiting) override;

  // Any thread: queues the notices for every listener and lets each know through the
  // user-interface loop.
  void Announce(const std::vector<platform::DeviceNotice>& notices);

 private:
  struct Queue;
  class Listener;

  std::mutex mutex_;
  std::vector<std::weak_ptr<Queue>> queues_;
};

}  // namespace korvalesen::sim
