#pragma once

// Waits (at most 5 s) until a comm device's input queue holds count bytes; returns what it
// holds then.

#include <chrono>
#include <cstdint>
#include <thread>

#include "platform/comm_device.h"

namespace korvalesen::platform {

inline std::uint32_t WaitForInput(CommDevice& device, std::uint32_t count) {
  const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
  std::uint32_t n = 0;
  while ((n = device.ClearErrors().in_queue) < count && std::chrono::steady_clock::now() < end) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return n;
}

}  // namespace korvalesen::platform
