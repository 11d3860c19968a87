// The termios comm device over a pty pair: the test holds the master side, the device opens
// the slave by name.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <pty.h>
#include <sys/wait.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <string>
#include <thread>

#include "platform/comm_device.h"
#include "sim/modem_pty.h"
#include "tests/platform/comm_input_wait.h"

namespace korvalesen::platform {
namespace {

using namespace std::chrono_literals;

class TermiosDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char name[128] = {};
    ASSERT_EQ(openpty(&master_, &slave_, name, nullptr, nullptr), 0);
    name_ = name;
    device_ = SystemCommDevices().Open(name_, {});
    device_->SetSettings(LineSettings{});  // 9600 8N1 raw, as the port's open does
  }
  void TearDown() override {
    device_.reset();
    if (master_ >= 0) close(master_);
    if (slave_ >= 0) close(slave_);
  }

  std::string ReadMaster(std::size_t count) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + 2s;
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      char buf[256];
      const ssize_t n = read(master_, buf, sizeof buf);
      if (n > 0)
        got.append(buf, static_cast<std::size_t>(n));
      else
        std::this_thread::sleep_for(1ms);
    }
    return got;
  }

  int master_ = -1;
  int slave_ = -1;
  std::string name_;
  std::unique_ptr<CommDevice> device_;
};

TEST_F(TermiosDeviceTest, TheFarSideSees9600EightNoneOneRawWithoutFlowControl) {
  LineSettings s = device_->GetSettings();
  s.baud_rate = 9600;
  s.byte_size = 8;
  s.parity = ParityCode::kNone;
  s.stop_bits = StopBitsCode::kOne;
  device_->SetSettings(s);
  termios t{};
  ASSERT_EQ(tcgetattr(slave_, &t), 0);  // the far side's view of the line
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_EQ(t.c_cflag & (PARENB | CSTOPB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ICRNL | INPCK), 0u);
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
  EXPECT_EQ(device_->GetSettings().baud_rate, 9600u);
  s.baud_rate = 31250;  // a rate without a B constant
  device_->SetSettings(s);
  EXPECT_EQ(device_->GetSettings().baud_rate, 31250u);
  s.byte_size = 9;
  EXPECT_THROW(device_->SetSettings(s), SysError);
}

TEST_F(TermiosDeviceTest, BytesBothWaysInputCountAndPurge) {
  ASSERT_EQ(write(master_, "\xBA\x01\x02", 3), 3);
  EXPECT_EQ(WaitForInput(*device_, 3), 3u);
  unsigned char b = 0;
  device_->StartRead(&b, 1);
  EXPECT_EQ(device_->WaitRead(), 1u);
  EXPECT_EQ(b, 0xBA);
  device_->Purge(kPurgeRxAbort | kPurgeRxClear);
  EXPECT_EQ(device_->ClearErrors().in_queue, 0u);
  device_->StartWrite("\xA5\xAB", 2);
  EXPECT_EQ(device_->WaitWrite(), 2u);
  EXPECT_TRUE(device_->WriteDone());
  EXPECT_EQ(ReadMaster(2), "\xA5\xAB");
}

TEST_F(TermiosDeviceTest, NothingIsLostWhenNobodyReadsFor60000Bytes) {
  device_->SetQueueSizes(64000, 2048);
  std::string data;
  for (int i = 0; i < 60000; ++i) data.push_back(static_cast<char>(i * 13));
  std::thread writer([&] {
    std::size_t off = 0;
    while (off < data.size()) {
      const ssize_t n = write(master_, data.data() + off, data.size() - off);
      if (n > 0)
        off += static_cast<std::size_t>(n);
      else
        std::this_thread::sleep_for(1ms);
    }
  });
  writer.join();
  EXPECT_EQ(WaitForInput(*device_, 60000), 60000u);
  std::string got(60000, '\0');
  device_->StartRead(got.data(), got.size());
  EXPECT_EQ(device_->WaitRead(), 60000u);
  EXPECT_EQ(got, data);
  EXPECT_EQ(device_->ClearErrors().errors, 0u);
}

TEST_F(TermiosDeviceTest, ModemIoctlsOfAPtyFailCleanly) {
  try {
    device_->GetModemStatus();
    FAIL() << "a pty has no modem lines";
  } catch (const SysError& e) {
    EXPECT_EQ(e.Code(), ENOTTY);
    EXPECT_STREQ(e.what(), "Inappropriate ioctl for device");
  }
  EXPECT_THROW(device_->EscapeFunction(Escape::kSetDtr), SysError);
  // The event wait still works: a change of the mask ends it.
  device_->SetEventMask(kEvCts | kEvDsr | kEvErr);
  std::thread waiter([&] { EXPECT_EQ(device_->WaitEvent(), 0u); });
  std::this_thread::sleep_for(20ms);
  device_->SetEventMask(0);
  waiter.join();
}

TEST_F(TermiosDeviceTest, APtyReportsWhatItTakesWithoutModemLinesOrARateLimit) {
  device_->SetQueueSizes(64000, 1024);
  const CommProperties p = device_->GetProperties();
  EXPECT_EQ(p.max_baud, kBaudUser);
  EXPECT_EQ(p.settable_baud, SettableRateFlags(UINT32_MAX));
  EXPECT_EQ(p.provider_capabilities & (kCapDtrDsr | kCapRtsCts | kCapRlsd), 0u);
  EXPECT_NE(p.provider_capabilities & kCapXonXoff, 0u);
  EXPECT_EQ(p.current_rx_queue, 64000u);
  EXPECT_EQ(p.current_tx_queue, 1024u);
  // Every size and parity it reports is taken, every other one refused; so are custom rates.
  constexpr std::pair<std::uint16_t, std::uint8_t> kSizes[] = {
      {kData5, 5}, {kData6, 6}, {kData7, 7}, {kData8, 8}};
  constexpr std::pair<std::uint16_t, ParityCode> kParities[] = {{kParityNone, ParityCode::kNone},
                                                                {kParityOdd, ParityCode::kOdd},
                                                                {kParityEven, ParityCode::kEven},
                                                                {kParityMark, ParityCode::kMark},
                                                                {kParitySpace, ParityCode::kSpace}};
  ASSERT_NE(p.settable_data & kData8, 0);
  ASSERT_NE(p.settable_stop_parity & kParityNone, 0);
  for (const auto& [size_flag, size] : kSizes) {
    for (const auto& [parity_flag, parity] : kParities) {
      LineSettings s;
      s.byte_size = size;
      s.parity = parity;
      s.baud_rate = 250000;
      const bool reported =
          (p.settable_data & size_flag) != 0 && (p.settable_stop_parity & parity_flag) != 0;
      bool taken = true;
      try {
        device_->SetSettings(s);
      } catch (const SysError&) {
        taken = false;
      }
      EXPECT_EQ(taken, reported) << int{size} << " bits, parity " << int(parity);
    }
  }
  EXPECT_EQ(device_->GetSettings().baud_rate, 250000u);
}

TEST_F(TermiosDeviceTest, ASecondOpenIsRefusedAlsoFromAnotherProcess) {
  try {
    SystemCommDevices().Open(name_, {});
    FAIL() << "opened twice";
  } catch (const SysError& e) {
    EXPECT_EQ(e.Code(), EBUSY);
  }
  const std::string command = std::string(KORVALESEN_OPEN_PROBE) + " " + name_;
  const int status = std::system(command.c_str());
  ASSERT_TRUE(WIFEXITED(status));
  EXPECT_EQ(WEXITSTATUS(status), EBUSY);
}

TEST_F(TermiosDeviceTest, AClosedFarSideIsAGoneDevice) {
  device_->SetEventMask(kEvCts);
  close(slave_);
  slave_ = -1;
  close(master_);
  master_ = -1;
  try {
    // The first wait may end with 0 (the mask was just set); the next one sees the hang-up.
    for (int i = 0; i < 2; ++i) device_->WaitEvent();
    FAIL() << "no error";
  } catch (const SysError& e) {
    EXPECT_EQ(e.Code(), kDeviceGoneCode);
  }
}

// A read that has ended, aborted by a purge or by its time-out, takes no more bytes: they
// stay in the queue, and the buffer its caller gave up is not written.
TEST_F(TermiosDeviceTest, AnEndedReadTakesNoMoreBytes) {
  for (const bool timed_out : {false, true}) {
    SCOPED_TRACE(timed_out ? "timed out" : "aborted");
    device_->SetTimeouts(CommTimeouts{0, 0, timed_out ? 5 : 0, 0, 0});
    auto buffer = std::make_unique<std::string>(4, '.');
    device_->StartRead(buffer->data(), buffer->size());
    if (timed_out) {
      EXPECT_EQ(device_->WaitRead(), 0u);
      device_->StartRead(buffer->data(), buffer->size());
      std::this_thread::sleep_for(20ms);  // the second request ends here, unwaited for
    } else {
      device_->Purge(kPurgeRxAbort);
    }
    ASSERT_EQ(write(master_, "abcd", 4), 4);
    EXPECT_EQ(WaitForInput(*device_, 4), 4u);
    EXPECT_EQ(*buffer, "....");
    device_->Purge(kPurgeRxAbort | kPurgeRxClear);
  }
}

// Closing discards what the far side has not taken, instead of waiting for it to drain.
TEST_F(TermiosDeviceTest, ClosingDiscardsUnsentOutput) {
  const std::string data(6000, 'x');  // all of it fits the pty's buffers
  device_->StartWrite(data.data(), data.size());
  std::this_thread::sleep_for(50ms);
  device_.reset();
  ASSERT_EQ(fcntl(master_, F_SETFL, O_NONBLOCK), 0);
  EXPECT_LT(ReadMaster(data.size()).size(), data.size());
}

// A write that runs out of time ends there: what the kernel had not taken is never sent.
TEST_F(TermiosDeviceTest, AWriteThatTimesOutSendsNoMore) {
  device_->SetTimeouts(CommTimeouts{0, 0, 0, 0, 50});
  const std::string data(1 << 20, 'w');  // far more than the pty's buffers hold
  device_->StartWrite(data.data(), data.size());
  const std::size_t moved = device_->WaitWrite();
  EXPECT_LT(moved, data.size());
  ASSERT_EQ(fcntl(master_, F_SETFL, O_NONBLOCK), 0);
  EXPECT_EQ(ReadMaster(data.size()).size(), moved);
  EXPECT_EQ(device_->ClearErrors().out_queue, 0u);
}

// A pty that answers the modem ioctls as a UART driver under CLOCAL does: lines but counters
// that never count.
class ModemPtyTest : public ::testing::Test {
 protected:
  // The calls of the comm layer, without the sampling.
  std::vector<std::string> Calls() const {
    std::vector<std::string> calls = pty_.Calls();
    std::erase_if(calls,
                  [](const std::string& c) { return c == "TIOCMGET" || c == "TIOCGICOUNT"; });
    return calls;
  }

  sim::ModemPty pty_;
};

TEST_F(ModemPtyTest, TheOpenLocksExcludesDropsTheLinesMakesTheLineRawAndNothingMore) {
  auto device = SystemCommDevices().Open(pty_.Name(), {});
  EXPECT_EQ(Calls(), (std::vector<std::string>{"flock", "TIOCEXCL", "TIOCMBIC DTR", "TIOCMBIC RTS",
                                               "tcsetattr raw"}));
  EXPECT_EQ(pty_.Lines() & (TIOCM_DTR | TIOCM_RTS), 0);
  // The error baseline comes after all the open did.
  const std::vector<std::string> all = pty_.Calls();
  EXPECT_GT(std::find(all.begin(), all.end(), "TIOCGICOUNT") - all.begin(),
            std::find(all.begin(), all.end(), "tcsetattr raw") - all.begin());
  // The line formats are tried only when the capabilities are asked for, on the raw line.
  device->GetProperties();
  const std::vector<std::string> after = Calls();
  EXPECT_GT(after.size(), 5u);
  EXPECT_TRUE(std::all_of(after.begin() + 4, after.end(),
                          [](const std::string& c) { return c == "tcsetattr raw"; }));
}

// Bytes the reader took from the kernel just before a purge do not come back after it.
TEST_F(ModemPtyTest, APurgeDiscardsWhatTheReaderTookJustBeforeIt) {
  auto device = SystemCommDevices().Open(pty_.Name(), {});
  device->SetSettings(LineSettings{});
  pty_.DelayReads(100ms);
  ASSERT_EQ(write(pty_.Master(), "abcd", 4), 4);
  for (int i = 0; i < 1000 && pty_.Reads() == 0; ++i) std::this_thread::sleep_for(1ms);
  ASSERT_EQ(pty_.Reads(), 1);
  device->Purge(kPurgeRxAbort | kPurgeRxClear);
  std::this_thread::sleep_for(150ms);
  EXPECT_EQ(device->ClearErrors().in_queue, 0u);
}

TEST_F(ModemPtyTest, TheCloseLeavesTheRateAtZero) {
  auto device = SystemCommDevices().Open(pty_.Name(), {});
  device->SetSettings(LineSettings{});
  device.reset();
  ASSERT_FALSE(Calls().empty());
  EXPECT_EQ(Calls().back(), "tcsetattr B0");
}

// On a USB adapter each TIOCMGET is a control transfer to the chip: the error check that
// ends every count and read takes the driver's counters only, and the reader thread samples
// the lines at most once a sampling period, so a reader keeps up with the line.
TEST_F(ModemPtyTest, ReadsLeaveTheModemLinesToOneSampleASamplingPeriod) {
  auto device = SystemCommDevices().Open(pty_.Name(), {});
  const auto asked = [&] {
    const std::vector<std::string> calls = pty_.Calls();
    return std::count(calls.begin(), calls.end(), "TIOCMGET");
  };
  auto before = asked();
  for (int i = 0; i < 2000; ++i) device->ClearErrors();
  EXPECT_EQ(asked(), before);

  device->SetEventMask(kEvDsr);
  before = asked();
  const auto start = std::chrono::steady_clock::now();
  for (int i = 0; i < 2000; ++i) device->ClearErrors();
  std::this_thread::sleep_for(50ms);
  const auto periods = (std::chrono::steady_clock::now() - start) / 10ms;
  EXPECT_GE(asked() - before, 1);
  EXPECT_LE(asked() - before, periods + 1);
}

TEST_F(ModemPtyTest, ModemLineChangesAreSeenWhereTheCountersDoNotCountThem) {
  auto device = SystemCommDevices().Open(pty_.Name(), {});
  device->SetEventMask(kEvCts | kEvDsr);
  std::atomic<std::uint32_t> word{0};
  std::atomic<bool> stop{false};
  std::thread waiter([&] {
    while (!stop.load() && word.load() == 0) word = device->WaitEvent();
  });
  pty_.SetFarLines(TIOCM_DSR);
  for (int i = 0; i < 200 && word.load() == 0; ++i) std::this_thread::sleep_for(10ms);
  stop = true;
  device->SetEventMask(kEvCts | kEvDsr);  // ends a wait that saw nothing
  waiter.join();
  EXPECT_EQ(word.load(), kEvDsr);
  EXPECT_EQ(device->GetModemStatus(), kModemDsr);
}

}  // namespace
}  // namespace korvalesen::platform
