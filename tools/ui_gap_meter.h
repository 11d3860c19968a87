#pragma once

// korvalesen-sim --report-ui-gap: the longest time the user-interface thread went without
// processing window messages. A timer of the user-interface loop ticks every 10 ms; ticks run
// only while messages are processed (in the message loop, in a pump, in a modal box), so the
// longest time between two ticks, less one interval, is the longest such gap, to within the
// interval.

#include <chrono>
#include <string>

namespace korvalesen::tools {

class UiGapMeter {
 public:
  using Clock = std::chrono::steady_clock;
  static constexpr std::chrono::milliseconds kTick{10};

  // On the user-interface thread, with its loop installed. The timer lives until the process
  // ends, like the loop.
  void Start();
  // A tick at the given time; the first one only sets the start.
  void Tick(Clock::time_point now);
  std::chrono::milliseconds LongestGap() const;
  // "longest time without processing window messages: N ms (ending T ms after the start)"
  std::string Report() const;

 private:
  bool started_ = false;
  Clock::time_point first_;
  Clock::time_point last_;
  Clock::duration longest_{};
  Clock::time_point longestEnd_;
};

}  // namespace korvalesen::tools
