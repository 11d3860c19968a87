#pragma once

// A priority layer that changes nothing of the process and remembers what it was told.

#include "platform/priority.h"

namespace korvalesen::sim {

class RecordingPriority final : public platform::Priority {
 public:
  int SaveProcess() override { return current; }
  void SetProcessClass(platform::ProcessClass c) override {
    current = c == platform::ProcessClass::kRealTime ? -20 : 0;
  }
  void RestoreProcess(int saved) override { current = saved; }
  long CurrentThread() override { return 1; }
  void SetThread(long, int) override {}

  int current = 5;  // the nice value the process would have
};

}  // namespace korvalesen::sim
