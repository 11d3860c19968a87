#pragma once

// Waits that take no time: each is counted and runs the test's script, which plays the far
// end of the line at that moment (a byte that arrives, a line that changes).

#include <chrono>
#include <functional>
#include <vector>

#include "common/pause.h"

namespace korvalesen::testing {

class ScriptedPause : public Pause {
 public:
  void Sleep(std::chrono::milliseconds duration) override {
    sleeps.push_back(duration);
    if (script) script(duration);
  }

  // The number of waits of this length so far.
  int Count(std::chrono::milliseconds duration) const {
    int count = 0;
    for (const auto sleep : sleeps) count += sleep == duration ? 1 : 0;
    return count;
  }

  std::function<void(std::chrono::milliseconds)> script;
  std::vector<std::chrono::milliseconds> sleeps;
};

}  // namespace korvalesen::testing
