#include "serial/device_notification.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <utility>
#include <vector>

#include "common/errors.h"
#include "common/exception_display.h"

namespace korvalesen {

struct DeviceNotification::State {
  std::unique_ptr<platform::DeviceNoticeListener> listener;
  Delivery deliver;
  std::unique_ptr<QSocketNotifier> notifier;  // destroyed before the listener's descriptor
  bool stopped = false;
};

namespace {

using State = DeviceNotification::State;

// Runs `job` on the user-interface thread after the current event, unless the registration
// has been stopped by then.
void Post(const std::weak_ptr<State>& weak, std::function<void(State&)> job) {
  QMetaObject::invokeMethod(
      QCoreApplication::instance(),
      [weak, job = std::move(job)] {
        const std::shared_ptr<State> state = weak.lock();
        if (!state || state->stopped) return;
        try {
          job(*state);
        } catch (const Error&) {
          ShowCurrentException();
        }
      },
      Qt::QueuedConnection);
}

void TakeNotices(const std::weak_ptr<State>& weak) {
  const std::shared_ptr<State> state = weak.lock();
  if (!state || state->stopped) return;
  std::vector<platform::DeviceNotice> notices;
  try {
    notices = state->listener->Take();
  } catch (const platform::SysError& e) {
    // A listener that fails would wake the loop again and again: it is shown once and no
    // longer watched.
    state->notifier->setEnabled(false);
    Post(weak, [text = std::string(e.what())](State&) { ShowException(Error(text)); });
    return;
  }
  for (platform::DeviceNotice& notice : notices) {
    Post(weak, [notice = std::move(notice)](State& s) { s.deliver(notice); });
  }
}

}  // namespace

DeviceNotification::DeviceNotification(std::unique_ptr<platform::DeviceNoticeListener> listener,
                                       Delivery deliver)
    : state_(std::make_shared<State>()) {
  state_->listener = std::move(listener);
  state_->deliver = std::move(deliver);
  state_->notifier =
      std::make_unique<QSocketNotifier>(state_->listener->Descriptor(), QSocketNotifier::Read);
  QObject::connect(state_->notifier.get(), &QSocketNotifier::activated, state_->notifier.get(),
                   [weak = std::weak_ptr<State>(state_)] { TakeNotices(weak); });
}

DeviceNotification::~DeviceNotification() {
  state_->stopped = true;
  state_->notifier->setEnabled(false);
}

}  // namespace korvalesen
