#include "platform/qt/qt_user_interface_loop.h"

#include <QCoreApplication>
#include <QSocketNotifier>
#include <QThread>
#include <QTimer>
#include <stdexcept>

#include "platform/user_interface_loop.h"

namespace korvalesen::platform {

namespace {

class QtLoopTimer final : public LoopTimer {
 public:
  QtLoopTimer(std::chrono::milliseconds interval, UserInterfaceLoop::Repeat repeat,
              std::function<void()> tick) {
    timer_.setInterval(interval);
    timer_.setSingleShot(repeat == UserInterfaceLoop::Repeat::kSingleShot);
    QObject::connect(&timer_, &QTimer::timeout, [tick = std::move(tick)] { tick(); });
  }
  void Start() override { timer_.start(); }
  void Stop() override { timer_.stop(); }
  bool Active() const override { return timer_.isActive(); }
  void SetInterval(std::chrono::milliseconds interval) override { timer_.setInterval(interval); }
  std::chrono::milliseconds Interval() const override { return timer_.intervalAsDuration(); }

 private:
  QTimer timer_;
};

class QtReadableWatch final : public ReadableWatch {
 public:
  QtReadableWatch(int descriptor, std::function<void()> ready)
      : notifier_(descriptor, QSocketNotifier::Read) {
    QObject::connect(&notifier_, &QSocketNotifier::activated,
                     [ready = std::move(ready)] { ready(); });
  }
  ~QtReadableWatch() override { notifier_.setEnabled(false); }
  void Stop() override { notifier_.setEnabled(false); }

 private:
  QSocketNotifier notifier_;
};

class QtUserInterfaceLoop final : public UserInterfaceLoop {
 public:
  void Post(std::function<void()> call) override {
    // Posting to the application object is safe from any thread; the call runs on its thread.
    QMetaObject::invokeMethod(QCoreApplication::instance(), std::move(call), Qt::QueuedConnection);
  }
  std::unique_ptr<LoopTimer> MakeTimer(std::chrono::milliseconds interval, Repeat repeat,
                                       std::function<void()> tick) override {
    return std::make_unique<QtLoopTimer>(interval, repeat, std::move(tick));
  }
  void ProcessMessages() override { QCoreApplication::processEvents(); }
  std::unique_ptr<ReadableWatch> WatchReadable(int descriptor,
                                               std::function<void()> ready) override {
    return std::make_unique<QtReadableWatch>(descriptor, std::move(ready));
  }
};

}  // namespace

void InstallQtUserInterfaceLoop() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) throw std::logic_error("the user-interface loop needs a QCoreApplication");
  if (QThread::currentThread() != app->thread()) {
    throw std::logic_error("the user-interface loop must be installed on its own thread");
  }
  // Never destroyed: an event thread may post while the process ends through exit().
  static QtUserInterfaceLoop& loop = *new QtUserInterfaceLoop;
  InstallUserInterfaceLoop(loop);
}

}  // namespace korvalesen::platform
