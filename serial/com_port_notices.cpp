// The port's device notices: the listener is registered while a device handler is assigned,
// and every notice reaches the handlers on the user-interface thread through WindowHook.

#include "serial/com_port.h"
#include "serial/device_notification.h"

namespace korvalesen {

void TCustomComPort::SetOnDeviceArrival(TDeviceArrivalEvent e) {
  on_device_arrival_ = std::move(e);
  FollowDeviceHandlers();
}

void TCustomComPort::SetOnDeviceRemoved(TDeviceRemovedEvent e) {
  on_device_removed_ = std::move(e);
  FollowDeviceHandlers();
}

void TCustomComPort::FollowDeviceHandlers() {
  if (Designing()) return;
  if (on_device_arrival_ || on_device_removed_) {
    StartNotification();
  } else {
    StopNotification();
  }
}

bool TCustomComPort::StartNotification() {
  if (!notification_ && services_.notices != nullptr) {
    try {
      notification_ = std::make_unique<DeviceNotification>(
          *services_.notices, [this](const platform::DeviceNotice& notice) { WindowHook(notice); });
    } catch (const platform::SysError&) {
      // No registration: the result says so, as the setters' callers expect nothing else.
    }
  }
  return notification_ != nullptr;
}

bool TCustomComPort::StopNotification() {
  notification_.reset();
  return true;
}

bool TCustomComPort::WindowHook(const platform::DeviceNotice& notice) {
  // A copy: the handler may replace itself while it runs.
  const TDeviceArrivalEvent handler = notice.kind == platform::DeviceNotice::Kind::kArrival
                                          ? on_device_arrival_
                                          : on_device_removed_;
  if (handler) handler(*this, notice.name);
  return false;
}

}  // namespace korvalesen
