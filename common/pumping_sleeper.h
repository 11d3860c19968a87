#pragma once

// Waiting on the user-interface thread without making the window hang: a wait of the run
// processes the window's messages at least every kMessagePumpInterval (a system marks a window
// that takes no message for seconds as not answering and offers to end it).

#include <chrono>
#include <functional>

namespace korvalesen {

// A quarter of the goal of 100 ms, so that a busy machine's late wake-ups still leave it below.
inline constexpr std::chrono::milliseconds kMessagePumpInterval{25};

// Sleeps by the steady clock to the nominal length and calls the pump whenever
// kMessagePumpInterval has passed since its last call, counted across its sleeps, so that many
// short sleeps in a row pump too. An exception of the pump ends the sleep and leaves it.
class PumpingSleeper {
 public:
  using Clock = std::chrono::steady_clock;

  void Sleep(std::chrono::milliseconds duration, const std::function<void()>& pump);

 private:
  Clock::time_point lastPump_ = Clock::now();
};

}  // namespace korvalesen
