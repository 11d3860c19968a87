#pragma once

// Processes messages on the test's user-interface thread until `done` or the time limit, or
// for a while, so that what should not come would.

#include <chrono>
#include <functional>
#include <thread>

#include "platform/user_interface_loop.h"

namespace korvalesen {

inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    platform::InstalledUserInterfaceLoop().ProcessMessages();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

inline void PumpFor(std::chrono::milliseconds time) {
  PumpUntil([] { return false; }, time);
}

}  // namespace korvalesen
