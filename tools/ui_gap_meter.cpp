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
  if (started_) longest_ = std::max(longest_, now - last_);
  started_ = true;
  last_ = now;
}

std::chrono::milliseconds UiGapMeter::LongestGap() const {
  const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(longest_) - kTick;
  return std::max(gap, std::chrono::milliseconds::zero());
}

std::string UiGapMeter::Report() const {
  return "longest time without processing window messages: " +
         std::to_string(LongestGap().count()) + " ms";
}

}  // namespace korvalesen::tools
