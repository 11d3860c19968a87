#include <gtest/gtest.h>

#include <chrono>

#include "sim/virtual_serial_line.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// The far end's event count moves with every change the far end can see, and the wait
// returns on it; a change made before the wait is not lost.
TEST(FarEndWaitTest, CountsControlLinesBytesAndTheClose) {
  sim::VirtualSerialLine line("/dev/ttyV9");
  sim::VirtualDevices devices;
  devices.Add(line);
  auto device = devices.Open("/dev/ttyV9", {});
  std::uint64_t seen = line.FarEndEvents();

  device->EscapeFunction(platform::Escape::kSetDtr);
  const auto start = Clock::now();
  line.WaitFarEnd(seen, start + 5s);
  EXPECT_LT(Clock::now() - start, 1s);
  EXPECT_NE(line.FarEndEvents(), seen);

  seen = line.FarEndEvents();
  device->StartWrite("x", 1);
  EXPECT_NE(line.FarEndEvents(), seen);
  EXPECT_EQ(line.TakeReceived(), "x");

  seen = line.FarEndEvents();
  const auto quiet = Clock::now();
  line.WaitFarEnd(seen, quiet + 30ms);  // nothing changes: the wait runs out
  EXPECT_GE(Clock::now() - quiet, 30ms);
  EXPECT_EQ(line.FarEndEvents(), seen);

  device.reset();  // the close drops DTR
  EXPECT_NE(line.FarEndEvents(), seen);
  EXPECT_FALSE(line.Dtr());
}

// A write ended by its time-out or by a purge leaves nothing for the far end to take later.
TEST(VirtualLineWriteTest, AnEndedWriteSendsNoMore) {
  sim::VirtualSerialLine line("/dev/ttyV9");
  sim::VirtualDevices devices;
  devices.Add(line);
  auto device = devices.Open("/dev/ttyV9", {});
  line.SetTakesOutput(false);
  device->SetTimeouts(platform::CommTimeouts{0, 0, 0, 0, 20});
  device->StartWrite("abc", 3);
  EXPECT_EQ(device->WaitWrite(), 0u);
  device->SetTimeouts(platform::CommTimeouts{});
  device->StartWrite("def", 3);
  EXPECT_FALSE(device->WriteDone());
  EXPECT_EQ(device->ClearErrors().out_queue, 3u);
  device->Purge(platform::kPurgeTxClear);
  EXPECT_TRUE(device->WriteDone());
  EXPECT_EQ(device->WaitWrite(), 0u);
  line.SetTakesOutput(true);
  EXPECT_EQ(line.TakeReceived(), "");
  EXPECT_EQ(device->ClearErrors().out_queue, 0u);
}

}  // namespace
}  // namespace korvalesen
