#pragma once

// A priority layer that changes nothing of the process and remembers what it was told. Event
// threads can be held at their start (before they ask for their id) to test what happens
// before a thread runs.

#include <condition_variable>
#include <mutex>
#include <vector>

#include "platform/priority.h"

namespace korvalesen::sim {

class RecordingPriority final : public platform::Priority {
 public:
  int SaveProcess() override { return current; }
  void SetProcessClass(platform::ProcessClass c) override {
    current = c == platform::ProcessClass::kRealTime ? -20 : 0;
  }
  void RestoreProcess(int saved) override { current = saved; }
  long CurrentThread() override {
    std::unique_lock lock(mutex_);
    released_.wait(lock, [this] { return !hold_starts_; });
    return 1;
  }
  void SetThread(long, int level) override {
    std::lock_guard lock(mutex_);
    thread_levels_.push_back(level);
  }

  void HoldThreadStarts(bool hold) {
    std::lock_guard lock(mutex_);
    hold_starts_ = hold;
    released_.notify_all();
  }
  // The levels given to threads, in order.
  std::vector<int> ThreadLevels() const {
    std::lock_guard lock(mutex_);
    return thread_levels_;
  }

  int current = 5;  // the nice value the process would have

 private:
  mutable std::mutex mutex_;
  std::condition_variable released_;
  bool hold_starts_ = false;
  std::vector<int> thread_levels_;
};

}  // namespace korvalesen::sim
