#include "common/pause.h"

#include <thread>

namespace korvalesen {

namespace {

class ThreadPause final : public Pause {
 public:
  void Sleep(std::chrono::milliseconds duration) override { std::this_thread::sleep_for(duration); }
};

}  // namespace

Pause& RealPause() {
  static ThreadPause pause;
  return pause;
}

}  // namespace korvalesen
