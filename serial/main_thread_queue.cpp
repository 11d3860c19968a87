#include "serial/main_thread_queue.h"

#include <QCoreApplication>
#include <QPointer>
#include <QSocketNotifier>
#include <QThread>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <exception>
#include <stdexcept>
#include <thread>

#include "platform/wakeup.h"

namespace korvalesen {

struct HandoverChannel::Job {
  enum class State { kQueued, kRunning, kDone, kDropped };
  std::function<void()> call;
  State state = State::kQueued;
  std::exception_ptr error;
};

namespace {

using Job = HandoverChannel::Job;

class Queue {
 public:
  std::mutex mutex;
  std::condition_variable settled;
  std::deque<std::shared_ptr<Job>> jobs;
  platform::Wakeup wakeup;
  QPointer<QSocketNotifier> notifier;
  std::atomic<std::thread::id> ui_thread{};

  // On the user-interface thread, when the wake-up fires.
  void RunPending() {
    wakeup.Drain();
    for (;;) {
      std::shared_ptr<Job> job;
      {
        std::lock_guard lock(mutex);
        while (!jobs.empty() && jobs.front()->state != Job::State::kQueued) jobs.pop_front();
        if (jobs.empty()) return;
        job = jobs.front();
        jobs.pop_front();
        job->state = Job::State::kRunning;
      }
      std::exception_ptr error;
      try {
        job->call();
      } catch (...) {
        error = std::current_exception();
      }
      std::lock_guard lock(mutex);
      job->error = error;
      job->state = Job::State::kDone;
      settled.notify_all();
    }
  }
};

// Never destroyed: an event thread may wait in a hand-over while the process ends through
// exit(), and destroying the condition variable under that waiter would block the exit.
Queue& TheQueue() {
  static Queue& queue = *new Queue;
  return queue;
}

}  // namespace

void InstallUserInterfaceQueue() {
  QCoreApplication* app = QCoreApplication::instance();
  if (app == nullptr) throw std::logic_error("the hand-over needs a QCoreApplication");
  if (QThread::currentThread() != app->thread()) {
    throw std::logic_error("the hand-over must be installed on the user-interface thread");
  }
  Queue& queue = TheQueue();
  if (queue.notifier) return;
  auto* notifier = new QSocketNotifier(queue.wakeup.Descriptor(), QSocketNotifier::Read, app);
  QObject::connect(notifier, &QSocketNotifier::activated, notifier,
                   [&queue] { queue.RunPending(); });
  queue.notifier = notifier;
  queue.ui_thread.store(std::this_thread::get_id());
  queue.wakeup.Signal();  // runs what was queued before
}

bool IsUserInterfaceThread() {
  return TheQueue().ui_thread.load() == std::this_thread::get_id();
}

bool HandoverChannel::Call(std::function<void()> call) {
  Queue& queue = TheQueue();
  if (IsUserInterfaceThread()) {
    call();
    return true;
  }
  auto job = std::make_shared<Job>();
  job->call = std::move(call);
  {
    std::lock_guard lock(queue.mutex);
    if (closed_) return false;
    current_ = job;
    queue.jobs.push_back(job);
  }
  queue.wakeup.Signal();
  std::unique_lock lock(queue.mutex);
  queue.settled.wait(
      lock, [&] { return job->state == Job::State::kDone || job->state == Job::State::kDropped; });
  current_.reset();
  if (job->state == Job::State::kDropped) return false;
  if (job->error) {
    const std::exception_ptr error = job->error;
    lock.unlock();
    std::rethrow_exception(error);
  }
  return true;
}

bool HandoverChannel::Close() {
  Queue& queue = TheQueue();
  std::lock_guard lock(queue.mutex);
  closed_ = true;
  if (!current_) return false;
  if (current_->state == Job::State::kQueued) {
    current_->state = Job::State::kDropped;
    queue.settled.notify_all();
    return false;
  }
  return current_->state == Job::State::kRunning;
}

}  // namespace korvalesen
