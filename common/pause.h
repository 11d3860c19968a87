#pragma once

// The waits of the board link and the upload. Limits are measured on the pause's steady clock,
// not by counting waits, so that a wait that lasts longer than asked (a coarse system timer, a
// busy machine) does not stretch them. The real pause sleeps to the nominal length and keeps
// the window answering: it calls `pump` (which processes the window's messages) at least every
// kMessagePumpInterval of a wait. Tests count the waits, move a clock of their own and let the
// far end of the line act at a given wait.

#include <chrono>
#include <functional>

namespace korvalesen {

class Pause {
 public:
  using Clock = std::chrono::steady_clock;

  virtual ~Pause() = default;
  // An exception of `pump` ends the wait and leaves it.
  virtual void Sleep(std::chrono::milliseconds duration, const std::function<void()>& pump) = 0;
  virtual Clock::time_point Now() = 0;
};

// Sleeps for real, by the steady clock.
Pause& RealPause();

}  // namespace korvalesen
