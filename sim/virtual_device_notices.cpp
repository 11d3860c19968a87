#include "sim/virtual_device_notices.h"

#include <utility>

#include "platform/user_interface_loop.h"

namespace korvalesen::sim {

struct VirtualDeviceNotices::Queue {
  std::mutex mutex;
  std::vector<platform::DeviceNotice> notices;
  std::function<void()> mayBeWaiting;
};

class VirtualDeviceNotices::Listener final : public platform::DeviceNoticeListener {
 public:
  explicit Listener(std::shared_ptr<Queue> queue) : queue_(std::move(queue)) {}
  std::vector<platform::DeviceNotice> Take() override {
    std::lock_guard lock(queue_->mutex);
    return std::exchange(queue_->notices, {});
  }

 private:
  std::shared_ptr<Queue> queue_;
};

std::unique_ptr<platform::DeviceNoticeListener> VirtualDeviceNotices::Listen(
    std::function<void()> may_be_waiting) {
  auto queue = std::make_shared<Queue>();
  queue->mayBeWaiting = std::move(may_be_waiting);
  std::lock_guard lock(mutex_);
  std::erase_if(queues_, [](const std::weak_ptr<Queue>& gone) { return gone.expired(); });
  queues_.push_back(queue);
  return std::make_unique<Listener>(std::move(queue));
}

void VirtualDeviceNotices::Announce(const std::vector<platform::DeviceNotice>& notices) {
  std::lock_guard lock(mutex_);
  for (const std::weak_ptr<Queue>& weak : queues_) {
    const std::shared_ptr<Queue> queue = weak.lock();
    if (!queue) continue;
    {
      std::lock_guard queue_lock(queue->mutex);
      queue->notices.insert(queue->notices.end(), notices.begin(), notices.end());
    }
    // A listener destroyed before the call runs hears nothing more.
    platform::InstalledUserInterfaceLoop().Post([weak] {
      if (const std::shared_ptr<Queue> alive = weak.lock()) alive->mayBeWaiting();
    });
  }
}

}  // namespace korvalesen::sim
