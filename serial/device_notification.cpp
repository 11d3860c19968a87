#include "serial/device_notification.h"

#include <utility>
#include <vector>

#include "common/errors.h"
#include "common/exception_display.h"
#include "platform/user_interface_loop.h"

namespace korvalesen {

struct DeviceNotification::State {
  std::unique_ptr<platform::DeviceNoticeListener> listener;
  Delivery deliver;
  bool stopped = false;
};

namespace {

using State = DeviceNotification::State;

// Runs `job` on the user-interface thread after the current message, unless the registration
// has been stopped by then.
void Post(const std::weak_ptr<State>& weak, std::function<void(State&)> job) {
  platform::InstalledUserInterfaceLoop().Post([weak, job = std::move(job)] {
    const std::shared_ptr<State> state = weak.lock();
    if (!state || state->stopped) return;
    try {
      job(*state);
    } catch (const Error&) {
      ShowCurrentException();
    }
  });
}

void TakeNotices(const std::weak_ptr<State>& weak) {
  const std::shared_ptr<State> state = weak.lock();
  if (!state || state->stopped || !state->listener) return;
  std::vector<platform::DeviceNotice> notices;
  try {
    notices = state->listener->Take();
  } catch (const platform::SysError& e) {
    // The listener no longer wakes the loop after its failure: it is shown once.
    Post(weak, [text = std::string(e.what())](State&) { ShowException(Error(text)); });
    return;
  }
  for (platform::DeviceNotice& notice : notices) {
    Post(weak, [notice = std::move(notice)](State& s) { s.deliver(notice); });
  }
}

}  // namespace

DeviceNotification::DeviceNotification(platform::DeviceNotices& notices, Delivery deliver)
    : state_(std::make_shared<State>()) {
  state_->deliver = std::move(deliver);
  state_->listener = notices.Listen([weak = std::weak_ptr<State>(state_)] { TakeNotices(weak); });
}

DeviceNotification::~DeviceNotification() {
  state_->stopped = true;
  // The listener goes now, not with the last delivery that holds the state.
  state_->listener.reset();
}

}  // namespace korvalesen
