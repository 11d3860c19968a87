#pragma once

// A running registration for device notices: the user-interface thread's event loop watches
// the listener's descriptor, takes the notices that come in and delivers each one there, as a
// queued call of its own, so that a handler may stop the registration or pump events. An
// Error from the delivery goes to the exception display. Destroying the registration stops
// the delivery at once, also from within a delivery: notices taken but not yet delivered are
// dropped. It is made and destroyed on the user-interface thread.

#include <functional>
#include <memory>

#include "platform/device_notices.h"

namespace korvalesen {

class DeviceNotification {
 public:
  using Delivery = std::function<void(const platform::DeviceNotice&)>;

  DeviceNotification(std::unique_ptr<platform::DeviceNoticeListener> listener, Delivery deliver);
  ~DeviceNotification();
  DeviceNotification(const DeviceNotification&) = delete;
  DeviceNotification& operator=(const DeviceNotification&) = delete;

  struct State;

 private:
  // Shared with the queued deliveries, which hold it only while they run.
  std::shared_ptr<State> state_;
};

}  // namespace korvalesen
