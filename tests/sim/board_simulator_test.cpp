#include "sim/board_simulator.h"

#include <gtest/gtest.h>

#include <chrono>
#include <optional>
#include <string>
#include <thread>

#include "board/board_line.h"
#include "serial/com_port.h"
#include "sim/board_dump.h"
#include "sim/virtual_computer.h"

namespace korvalesen {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

// A TComPort set up as the program sets it up, on the virtual computer's adapter line, with
// the board simulator at the far end.
class BoardSimulatorTest : public ::testing::Test {
 protected:
  BoardSimulatorTest() {
    timing_.startUp = 50ms;
    Board().SetTiming(timing_);
    SetUpBoardLine(port_);
    port_.SetDeviceName(platform::DevicePath("ttyUSB0"));
  }

  sim::BoardSimulator& Board() { return computer_.Board(); }

  void StartAndOpen() {
    Board().Start();
    port_.SetActive(true);
  }

  // The time until DSR shows `on`; nothing when it does not within the limit.
  std::optional<Clock::duration> TimeUntilDsr(bool on, std::chrono::milliseconds limit = 1s) {
    const auto start = Clock::now();
    while (Clock::now() - start < limit) {
      if (port_.GetModemStatus().Contains(msDSR) == on) return Clock::now() - start;
      std::this_thread::sleep_for(1ms);
    }
    return std::nullopt;
  }

  // A reset pulse with both acknowledgements; returns when the firmware has started up.
  void Reset() {
    port_.SetDTR();
    ASSERT_TRUE(TimeUntilDsr(true));
    port_.ClearDTR();
    ASSERT_TRUE(TimeUntilDsr(false));
    // DSR followed ackDelay after the board saw DTR drop, and its start-up began there.
    std::this_thread::sleep_for(timing_.startUp);
  }

  void Write(std::uint8_t byte) {
    port_.WriteByte(byte);
    const auto start = Clock::now();
    while (port_.WritePending() && Clock::now() - start < 1s) std::this_thread::sleep_for(1ms);
    ASSERT_FALSE(port_.WritePending());
  }

  void Command() {
    Write(0xA5);
    Write(0xAB);
  }

  // Reads until `count` bytes have come or the limit has passed.
  std::string Read(std::size_t count, std::chrono::milliseconds limit = 2s) {
    std::string bytes;
    const auto start = Clock::now();
    while (bytes.size() < count && Clock::now() - start < limit) {
      if (port_.InputCount() > 0) {
        bytes += static_cast<char>(port_.ReadByte());
      } else {
        std::this_thread::sleep_for(1ms);
      }
    }
    return bytes;
  }

  // The answer to the probe and how long it took from the start of the write.
  struct Answer {
    std::string bytes;
    Clock::duration after;
  };
  // The time counts from before the write, so that the board cannot have the probe earlier.
  Answer Probe(std::chrono::milliseconds limit) {
    const auto start = Clock::now();
    Write(0xBA);
    Answer answer{Read(1, limit), {}};
    answer.after = Clock::now() - start;
    return answer;
  }

  sim::BoardTiming timing_;
  sim::VirtualComputer computer_;
  TComPort port_{computer_.Services()};
};

TEST_F(BoardSimulatorTest, DsrFollowsDtrAfterTheAcknowledgementDelay) {
  timing_.ackDelay = 100ms;
  Board().SetTiming(timing_);
  StartAndOpen();
  EXPECT_FALSE(port_.GetModemStatus().Contains(msDSR));
  port_.SetDTR();
  const auto on = TimeUntilDsr(true);
  ASSERT_TRUE(on);
  EXPECT_GE(*on, 100ms);
  EXPECT_EQ(Board().Resets(), 0);
  port_.ClearDTR();
  const auto off = TimeUntilDsr(false);
  ASSERT_TRUE(off);
  EXPECT_GE(*off, 100ms);
  EXPECT_EQ(Board().Resets(), 1);
}

TEST_F(BoardSimulatorTest, NoEchoUntilStartedUpThenTheEchoAtOnce) {
  timing_.startUp = 300ms;
  Board().SetTiming(timing_);
  StartAndOpen();
  port_.SetDTR();
  ASSERT_TRUE(TimeUntilDsr(true));
  port_.ClearDTR();
  const auto reset_end = Clock::now();
  ASSERT_TRUE(TimeUntilDsr(false));
  const Answer early = Probe(100ms);
  EXPECT_EQ(early.bytes, "");
  ASSERT_LT(Clock::now() - reset_end, 300ms) << "the probe came too late to test this";
  std::this_thread::sleep_until(reset_end + 300ms);
  const Answer started = Probe(100ms);
  EXPECT_EQ(started.bytes, "\xBA");
  EXPECT_LT(started.after, 50ms);
  EXPECT_EQ(Board().Received(), "\xBA\xBA");  // the ignored probe was taken all the same
}

TEST_F(BoardSimulatorTest, TheDumpFollowsTheReadCommandAfterItsDelay) {
  Board().SetPaced(false);
  StartAndOpen();
  Reset();
  EXPECT_EQ(Probe(100ms).bytes, "\xBA");
  Command();
  const auto command_end = Clock::now();
  const std::string first = Read(1);
  EXPECT_GE(Clock::now() - command_end, timing_.dumpDelay);
  ASSERT_TRUE(Board().WaitDumpSent(2s));
  const std::string dump = sim::BuildDump(sim::SampleBoardImage());
  EXPECT_EQ(first + Read(dump.size() - 1), dump);
  std::this_thread::sleep_for(20ms);
  EXPECT_EQ(port_.InputCount(), 0);
  EXPECT_EQ(Board().Received(), "\xBA\xA5\xAB");
}

TEST_F(BoardSimulatorTest, AnUnpacedDumpLargerThanThePortsQueueArrivesWhole) {
  std::string dump;
  for (int i = 0; i < 70000; ++i) dump += static_cast<char>('0' + i % 75);
  Board().SetDump(dump);
  Board().SetPaced(false);
  StartAndOpen();
  Reset();
  Command();
  // Nothing is lost to an overflow of the 64000-byte queue: the board waits for room.
  EXPECT_EQ(Read(dump.size(), 5s), dump);
  EXPECT_TRUE(Board().WaitDumpSent(1s));
}

TEST_F(BoardSimulatorTest, APacedDumpTakesTenBitsAByte) {
  std::string dump;
  for (int i = 0; i < 150; ++i) dump += static_cast<char>('0' + i % 75);  // over two chunks
  Board().SetDump(dump);
  StartAndOpen();
  Reset();
  Command();
  const std::string first = Read(1);
  const auto first_seen = Clock::now();
  const std::string rest = Read(dump.size() - 1);
  const auto took = Clock::now() - first_seen;
  EXPECT_EQ(first + rest, dump);
  EXPECT_GE(took, 149 * 10 * 1000us / 9600 - 5ms);
  EXPECT_LT(took, 1s);
}

TEST_F(BoardSimulatorTest, NoiseAfterTheCommandComesBeforeTheDump) {
  Board().SetPaced(false);
  Board().SetNoiseAfterCommand("\x01\x02junk");
  Board().SetDump("1_2_3_");
  StartAndOpen();
  Reset();
  Command();
  const auto command_end = Clock::now();
  EXPECT_EQ(Read(6, 50ms), "\x01\x02junk");
  EXPECT_LT(Clock::now() - command_end, 50ms);
  EXPECT_EQ(port_.InputCount(), 0);
  port_.PurgeInput();
  EXPECT_EQ(Read(6), "1_2_3_");
}

TEST_F(BoardSimulatorTest, ANewResetDropsTheCommand) {
  Board().SetPaced(false);
  Board().SetDump("1_2_3_");
  StartAndOpen();
  Reset();
  Command();
  port_.SetDTR();  // before the dump's delay has passed
  EXPECT_FALSE(Board().WaitDumpSent(200ms));
  EXPECT_EQ(port_.InputCount(), 0);
  port_.ClearDTR();
  ASSERT_TRUE(TimeUntilDsr(false));
  std::this_thread::sleep_for(timing_.startUp);
  Command();
  EXPECT_EQ(Read(6), "1_2_3_");
  EXPECT_EQ(Board().Resets(), 2);
}

TEST_F(BoardSimulatorTest, DsrThatDoesNotFollowDtrOn) {
  sim::BoardFaults faults;
  faults.noAckOn = true;
  Board().SetFaults(faults);
  StartAndOpen();
  port_.SetDTR();
  EXPECT_FALSE(TimeUntilDsr(true, 100ms));
  port_.ClearDTR();
  EXPECT_FALSE(TimeUntilDsr(true, 100ms));
  EXPECT_EQ(Board().Resets(), 1);
}

TEST_F(BoardSimulatorTest, DsrThatStaysOnAfterDtrOff) {
  sim::BoardFaults faults;
  faults.ackOffStuck = true;
  Board().SetFaults(faults);
  StartAndOpen();
  port_.SetDTR();
  ASSERT_TRUE(TimeUntilDsr(true));
  port_.ClearDTR();
  EXPECT_FALSE(TimeUntilDsr(false, 100ms));
}

TEST_F(BoardSimulatorTest, NoEcho) {
  sim::BoardFaults faults;
  faults.noEcho = true;
  Board().SetFaults(faults);
  StartAndOpen();
  Reset();
  EXPECT_EQ(Probe(200ms).bytes, "");
}

TEST_F(BoardSimulatorTest, AWrongEchoComesAtOnce) {
  sim::BoardFaults faults;
  faults.wrongEcho = true;
  Board().SetFaults(faults);
  StartAndOpen();
  Reset();
  const Answer wrong = Probe(200ms);
  EXPECT_EQ(wrong.bytes, "\xBB");
  EXPECT_LT(wrong.after, 50ms);
}

TEST_F(BoardSimulatorTest, ALateEcho) {
  sim::BoardFaults faults;
  faults.lateEcho = 400ms;
  Board().SetFaults(faults);
  StartAndOpen();
  Reset();
  const Answer late = Probe(800ms);
  EXPECT_EQ(late.bytes, "\xBA");
  EXPECT_GE(late.after, 400ms);
}

TEST_F(BoardSimulatorTest, ABoardSwitchedOnAnswersBeforeAnyReset) {
  StartAndOpen();
  EXPECT_EQ(Probe(100ms).bytes, "\xBA");
}

// Every open raises DTR for a moment, as the kernel does; the board's debounced reset input
// takes it as a reset only with the fault.
TEST_F(BoardSimulatorTest, TheOpensDtrPulseResetsOnlyABoardThatTakesGlitches) {
  for (const bool takes_glitches : {false, true}) {
    SCOPED_TRACE(takes_glitches);
    sim::VirtualComputer computer;
    TComPort port{computer.Services()};
    SetUpBoardLine(port);
    port.SetDeviceName(platform::DevicePath("ttyUSB0"));
    sim::BoardFaults faults;
    faults.resetOnGlitch = takes_glitches;
    computer.Board().SetFaults(faults);
    computer.Board().Start();
    port.Open();
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(computer.Board().Resets(), takes_glitches ? 1 : 0);
  }
}

// While DTR holds the board in reset, its TX line floats: a framing error, then a break.
TEST_F(BoardSimulatorTest, ResetNoiseIsAFramingErrorAndABreakWithItsNul) {
  std::vector<TLineErrors> errors;
  port_.SetOnLineError(TLineErrorEvent::Bind(
      this, nullptr, [&](TComponent&, TLineErrors e) { errors.push_back(e); }));
  sim::BoardFaults faults;
  faults.resetNoise = true;
  Board().SetFaults(faults);
  StartAndOpen();
  port_.SetDTR();
  ASSERT_TRUE(TimeUntilDsr(true));
  // The NUL left the board with the reset; on a busy machine it may arrive after DSR rose.
  const auto start = Clock::now();
  while (port_.InputCount() == 0 && Clock::now() - start < 1s) {
    std::this_thread::sleep_for(1ms);
  }
  EXPECT_EQ(port_.InputCount(), 1);
  EXPECT_EQ(errors, (std::vector<TLineErrors>{{leFrame, leBreak}}));
  EXPECT_EQ(port_.ReadByte(), 0);
}

// With the adapter's latency timer, bytes come in bursts; those the chip holds at a purge
// arrive after it.
TEST_F(BoardSimulatorTest, TheLatencyTimerHoldsBytesPastAPurge) {
  StartAndOpen();
  computer_.Line().SetLatency(50ms);
  computer_.Line().Send("ab");
  port_.PurgeInput();
  EXPECT_EQ(port_.InputCount(), 0);
  EXPECT_EQ(Read(2, 200ms), "ab");
}

TEST_F(BoardSimulatorTest, AStuckWriteStaysPending) {
  sim::BoardFaults faults;
  faults.stuckWrite = true;
  Board().SetFaults(faults);
  StartAndOpen();
  port_.WriteByte(0xBA);
  std::this_thread::sleep_for(100ms);
  EXPECT_TRUE(port_.WritePending());
  EXPECT_EQ(Board().Received(), "");
}

// The cut-off faults at 1200 bit/s: 8.3 ms a byte, so a byte more or less shows.
class CutDumpTest : public BoardSimulatorTest {
 public:
  void OnLineError(TComponent&, TLineErrors errors) { frame_error_ = errors.Contains(leFrame); }

 protected:
  CutDumpTest() {
    port_.SetBaudRate(br1200);
    Board().SetDump(kDump);
  }
  void StartDump(const sim::BoardFaults& faults) {
    Board().SetFaults(faults);
    StartAndOpen();
    Reset();
    Command();
  }

  const std::string kDump = "12_-3_+4_55_AB_C";
  bool frame_error_ = false;
};

TEST_F(CutDumpTest, SilenceAfterNBytesDeliversExactlyN) {
  sim::BoardFaults faults;
  faults.silenceAfter = 7;
  StartDump(faults);
  ASSERT_TRUE(Board().WaitDumpSent(1s));
  std::this_thread::sleep_for(50ms);
  EXPECT_EQ(port_.InputCount(), 7);
  EXPECT_EQ(Read(7), kDump.substr(0, 7));
}

TEST_F(CutDumpTest, ALineErrorAfterNBytesThenTheRest) {
  port_.SetOnLineError(TLineErrorEvent(this, &CutDumpTest::OnLineError));
  sim::BoardFaults faults;
  faults.lineErrorAfter = 5;
  StartDump(faults);
  const auto start = Clock::now();
  std::optional<std::int32_t> count_at_error;
  while (!frame_error_ && Clock::now() - start < 1s) {
    const std::int32_t count = port_.InputCount();  // reports the error with this count
    if (frame_error_) count_at_error = count;
    std::this_thread::sleep_for(200us);
  }
  ASSERT_TRUE(count_at_error);
  EXPECT_EQ(*count_at_error, 5);
  EXPECT_EQ(Read(kDump.size()), kDump);
}

// The error arrives after a count that found bytes waiting, so the read after it finds it.
TEST_F(CutDumpTest, ALineErrorInAReadAfterNBytesIsFoundByTheRead) {
  port_.SetOnLineError(TLineErrorEvent(this, &CutDumpTest::OnLineError));
  sim::BoardFaults faults;
  faults.lineErrorInReadAfter = 5;
  StartDump(faults);
  std::string got;
  const char* found_by = "nothing";
  const auto start = Clock::now();
  while (got.size() < kDump.size() && Clock::now() - start < 2s) {
    const bool waiting = port_.InputCount() > 0;
    if (frame_error_) {
      found_by = "the count";
      break;
    }
    if (!waiting) {
      std::this_thread::sleep_for(200us);
      continue;
    }
    got += static_cast<char>(port_.ReadByte());
    if (frame_error_) {
      found_by = "the read";
      break;
    }
  }
  EXPECT_STREQ(found_by, "the read");
  EXPECT_LE(got.size(), 6u);  // the fifth byte had arrived before the error
}

TEST_F(CutDumpTest, UnpluggingAfterNBytesMakesTheNextPortCallFail) {
  sim::BoardFaults faults;
  faults.unplugAfter = 6;
  StartDump(faults);
  std::int32_t most = 0;
  std::optional<std::int32_t> code;
  const auto start = Clock::now();
  while (!code && Clock::now() - start < 1s) {
    try {
      most = std::max(most, port_.InputCount());
    } catch (const EComError& e) {
      code = e.ErrorCode();
    }
    std::this_thread::sleep_for(200us);
  }
  ASSERT_TRUE(Board().WaitDumpSent(100ms));
  EXPECT_EQ(code, platform::kDeviceGoneCode);
  // The sixth byte and the unplugging come within microseconds: no more was ever waiting
  // (how many of the first five a busy machine's polls saw varies).
  EXPECT_LE(most, 6);
  EXPECT_THROW(port_.InputCount(), EComError);
}

}  // namespace
}  // namespace korvalesen
