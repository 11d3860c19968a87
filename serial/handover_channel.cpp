#include "serial/handover_channel.h"

#include <condition_variable>
#include <deque>
#include <exception>

#include "platform/user_interface_loop.h"

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

  // On the user-interface thread, posted by every call queued.
  void RunPending() {
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

bool HandoverChannel::Call(std::function<void()> call) {
  Queue& queue = TheQueue();
  if (platform::IsUserInterfaceThread()) {
    call();
    return true;
  }
  platform::UserInterfaceLoop& loop = platform::InstalledUserInterfaceLoop();
  auto job = std::make_shared<Job>();
  job->call = std::move(call);
  {
    std::lock_guard lock(queue.mutex);
    if (closed_) return false;
    current_ = job;
    queue.jobs.push_back(job);
  }
  loop.Post([&queue] { queue.RunPending(); });
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
