#pragma once

// Processes events on the test's user-interface thread until `done` or the time limit.

#include <QCoreApplication>
#include <chrono>
#include <functional>
#include <thread>

namespace korvalesen {

inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds limit = std::chrono::milliseconds(3000)) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > end) return false;
    QCoreApplication::processEvents();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}

}  // namespace korvalesen
