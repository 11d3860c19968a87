#include "common/pause.h"

#include "common/pumping_sleeper.h"

namespace korvalesen {

namespace {

class SteadyPause final : public Pause {
 public:
  void Sleep(std::chrono::milliseconds duration, const std::function<void()>& pump) override {
    sleeper_.Sleep(duration, pump);
  }
  Clock::time_point Now() override { return Clock::now(); }

 private:
  PumpingSleeper sleeper_;
};

}  // namespace

Pause& RealPause() {
  static SteadyPause pause;
  return pause;
}

}  // namespace korvalesen
