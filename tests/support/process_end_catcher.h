#pragma once

// While a ProcessEndCatcher lives, EndProcess throws ProcessEnded instead of ending the test
// process, so that a run that ends the program can be checked in process. Declare it as the
// fixture's last member: it then stops catching before the other members are destroyed.

#include <functional>
#include <optional>

#include "common/process_end.h"

namespace korvalesen::testing {

struct ProcessEnded {
  ExitStatus status;
};

class ProcessEndCatcher {
 public:
  ProcessEndCatcher() {
    SetProcessEndHook([](ExitStatus status) { throw ProcessEnded{status}; });
  }
  ~ProcessEndCatcher() { SetProcessEndHook(nullptr); }
  ProcessEndCatcher(const ProcessEndCatcher&) = delete;
  ProcessEndCatcher& operator=(const ProcessEndCatcher&) = delete;
};

// Runs the call; the status the process ended with, or nothing when it returned.
inline std::optional<ExitStatus> EndOf(const std::function<void()>& call) {
  try {
    call();
  } catch (const ProcessEnded& ended) {
    return ended.status;
  }
  return std::nullopt;
}

}  // namespace korvalesen::testing
