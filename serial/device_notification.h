#pragma once

// A running registration for device notices: when the listener says that notices may be
// waiting, they are taken on the user-interface thread and each one is delivered there as a
// call posted to the user-interface loop, so that a handler may stop the registration or pump
// messages. An Error from the delivery goes to the exception display. Destroying the
// registration stops the delivery at once, also from within a delivery: notices taken but not
// yet delivered are dropped. It is made and destroyed on the user-interface thread.

#include <functional>
#include <memory>

#include "platform/device_notices.h"

namespace korvalesen {

class DeviceNotification {
 public:
  using Delivery = std::function<void(const platform::DeviceNotice&)>;

  // Starts listening to `notices`; throws SysError when the system refuses.
  DeviceNotification(platform::DeviceNotices& notices, Delivery deliver);
  ~DeviceNotification();
  DeviceNotification(const DeviceNotification&) = delete;
  DeviceNotification& operator=(const DeviceNotification&) = delete;

  struct State;

 private:
  // Shared with the posted deliveries, which hold it only while they run.
  std::shared_ptr<State> state_;
};

}  // namespace korvalesen
