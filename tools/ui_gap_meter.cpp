#include "tools/ui_gap_meter.h"

#include <algorithm>

#include "platform/user_interface_loop.h"

namespace korvalesen::tools {

void UiGapMeter::Start() {
  auto* timer = platform::InstalledUserInterfaceLoop()
                    .MakeTimer(kTick, platform::UserInterfaceLoop::Repeat::kPeriodic,
                               [this] { Tick(Clock::now()); })
                    .release();
  timer->Start();
}

void UiGapMeter::Tick(Clock::time_point now) {
  if (!started_) first_ = now;
  if (started_ && now - last_ > longest_) {
    longest_ = now - last_;
    longestEnd_ = now;
  }
  started_ = true;
  last_ = now;
}

std::chrono::milliseconds UiGapMeter::LongestGap() const {
  const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(longest_) - kTick;
  return std::max(gap, std::chrono::milliseconds::zero());
}

std::string UiGapMeter::Report() const {
  const auto end = std::chrono::duration_cast<std::chrono::milliseconds>(longestEnd_ - first_);
  return "longest time without processing window messages: " +
         std::to_string(LongestGap().count()) + " ms (ending " + std::to_string(end.count()) +
         " ms after the start)";
}

}  // namespace korvalesen::tools
