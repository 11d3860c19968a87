// The real pause: its lengths by the clock and its processing of the window's messages.

#include "common/pause.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "common/pumping_sleeper.h"

namespace korvalesen::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The handshake's pauses in their order, among them the echo's polls of 1 ms: together they
// last their nominal length, within 20 %, and the pump runs at least every kMessagePumpInterval of
// them (a bound of a second stands for "no blocking for seconds").
TEST(RealPause, KeepsTheNominalLengthsAndPumpsThroughout) {
  std::vector<std::chrono::milliseconds> pauses = {50ms, 200ms, 50ms, 2000ms, 10ms};
  pauses.insert(pauses.end(), 100, 1ms);
  pauses.push_back(50ms);
  std::chrono::milliseconds nominal{};
  for (const auto pause : pauses) nominal += pause;

  std::vector<Clock::time_point> pumps;
  const Clock::time_point start = Clock::now();
  for (const auto pause : pauses) {
    RealPause().Sleep(pause, [&pumps] { pumps.push_back(Clock::now()); });
  }
  const Clock::duration lasted = Clock::now() - start;
  EXPECT_GE(lasted, nominal);
  EXPECT_LE(lasted, nominal * 12 / 10);

  ASSERT_GE(pumps.size(), 2u);
  Clock::duration longest = pumps.front() - start;
  for (std::size_t i = 1; i < pumps.size(); ++i)
    longest = std::max(longest, pumps[i] - pumps[i - 1]);
  EXPECT_LT(longest, 1s);
  EXPECT_GE(pumps.size(), static_cast<std::size_t>(nominal / kMessagePumpInterval / 2));
}

}  // namespace
}  // namespace korvalesen::testing
