#pragma once

// Waits that take no time: each is counted, moves the pause's own clock by its length and runs
// the test's script, which plays the far end of the line at that moment (a byte that arrives,
// a line that changes). A wait may be told to last longer than asked, as on a coarse system
// timer or a busy machine. The window's messages are pumped at each wait only when asked.

#include <chrono>
#include <functional>
#include <vector>

#include "common/pause.h"

namespace korvalesen::testing {

class ScriptedPause : public Pause {
 public:
  void Sleep(std::chrono::milliseconds duration, const std::function<void()>& pump) override {
    sleeps.push_back(duration);
    now_ += lasts ? lasts(duration) : duration;
    if (script) script(duration);
    if (pumps && pump) pump();
  }
  Clock::time_point Now() override { return now_; }

  // The number of waits of this length so far.
  int Count(std::chrono::milliseconds duration) const {
    int count = 0;
    for (const auto sleep : sleeps) count += sleep == duration ? 1 : 0;
    return count;
  }

  std::function<void(std::chrono::milliseconds)> script;
  // How long a wait of the given length really lasts on the clock; as asked unless set.
  std::function<std::chrono::milliseconds(std::chrono::milliseconds)> lasts;
  std::vector<std::chrono::milliseconds> sleeps;
  bool pumps = false;

 private:
  Clock::time_point now_;
};

}  // namespace korvalesen::testing
