#include "common/pumping_sleeper.h"

#include <algorithm>
#include <thread>

namespace korvalesen {

void PumpingSleeper::Sleep(std::chrono::milliseconds duration, const std::function<void()>& pump) {
  const Clock::time_point end = Clock::now() + duration;
  for (;;) {
    Clock::time_point now = Clock::now();
    if (pump && now - lastPump_ >= kMessagePumpInterval) {
      pump();
      lastPump_ = now = Clock::now();
    }
    if (now >= end) return;
    const Clock::time_point wake = pump ? std::min(end, lastPump_ + kMessagePumpInterval) : end;
    std::this_thread::sleep_for(wake - now);
  }
}

}  // namespace korvalesen
