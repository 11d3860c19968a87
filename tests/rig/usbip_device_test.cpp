// The emulated FT232R as the kernel's USB/IP client meets it: the import and enumeration, the
// modem lines both ways, the baud divisor, bulk IN packets held for the latency timer, and
// unlinks. The line behind it is the simulator's, driven from its far end.

#include "rig/usbip_device.h"

#include <gmock/gmock.h>

#include "sim/virtual_serial_line.h"

namespace korvalesen::rig {
namespace {

using namespace std::chrono_literals;

constexpr std::uint8_t kIn = 0x80;

// Reads the big-endian word at `at` of a reply.
std::uint32_t Word32(const std::string& bytes, std::size_t at) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < 4; ++i) value = value << 8 | static_cast<std::uint8_t>(bytes[at + i]);
  return value;
}

struct Reply {
  std::uint32_t command, seqnum;
  std::int32_t status;
  std::string data;
};

// Cuts replies of submits and unlinks.
std::vector<Reply> Replies(std::string bytes) {
  std::vector<Reply> replies;
  while (bytes.size() >= 48) {
    Reply r{Word32(bytes, 0), Word32(bytes, 4), static_cast<std::int32_t>(Word32(bytes, 20)), {}};
    const std::size_t length = r.command == 3 ? Word32(bytes, 24) : 0;
    r.data = bytes.substr(48, length);
    replies.push_back(r);
    bytes.erase(0, 48 + length);
  }
  EXPECT_TRUE(bytes.empty());
  return replies;
}

class UsbipDeviceTest : public ::testing::Test {
 protected:
  UsbipDeviceTest() { line_.SetOpenPulse(false); }

  // A submit, as the kernel's client sends it, cut at `split` to arrive in two reads.
  std::string Submit(std::uint32_t endpoint, bool in, std::uint32_t length,
                     std::array<std::uint8_t, 8> setup = {}, std::string out = {}) {
    std::string bytes;
    const auto put = [&](std::uint32_t v) {
      for (int s = 24; s >= 0; s -= 8) bytes += static_cast<char>(v >> s & 0xff);
    };
    for (const std::uint32_t v :
         {1u, ++seqnum_, 0x10002u, in ? 1u : 0u, endpoint, 0u, length, 0u, 0u, 0u}) {
      put(v);
    }
    bytes.append(reinterpret_cast<const char*>(setup.data()), 8);
    return bytes + out;
  }

  std::string Feed(const std::string& bytes, Clock::time_point now) {
    reader_.Feed(bytes);
    std::string out;
    while (auto message = reader_.Next()) out += device_.Handle(*message, now);
    return out;
  }

  std::vector<Reply> Control(std::array<std::uint8_t, 8> setup, Clock::time_point now) {
    return Replies(Feed(Submit(0, (setup[0] & kIn) != 0, setup[6], setup), now));
  }

  Clock::time_point start_ = Clock::now();
  sim::VirtualSerialLine line_{"ttyUSB0"};
  std::unique_ptr<platform::CommDevice> uart_ = line_.Open({});
  Ft232r chip_{*uart_, "A50285BI", start_};
  UsbipDevice device_{chip_, 0us};
  MessageReader reader_;
  std::uint32_t seqnum_ = 0;
};

TEST_F(UsbipDeviceTest, ImportsAndEnumeratesAsAnFt232r) {
  const std::string import = Feed(ImportRequestBytes("1-1"), start_);
  ASSERT_EQ(import.size(), 8u + 312u);
  EXPECT_EQ(Word32(import, 4), 0u);                           // status
  EXPECT_EQ(Word32(import, 8 + 256 + 32 + 12), 0x04036001u);  // vendor and product

  const auto device = Control({kIn, 6, 0, 1, 0, 0, 18, 0}, start_);
  ASSERT_EQ(device.size(), 1u);
  EXPECT_EQ(device[0].data.size(), 18u);
  EXPECT_EQ(device[0].data.substr(12, 2), std::string("\x00\x06", 2));  // release 6.00: FT232R
  const auto config = Control({kIn, 6, 0, 2, 0, 0, 255, 0}, start_);
  EXPECT_EQ(config[0].data.size(), 32u);
  EXPECT_EQ(Control({kIn, 6, 3, 3, 9, 4, 255, 0}, start_)[0].data, std::string("\x12\x03"
                                                                               "A\0"
                                                                               "5\0"
                                                                               "0\0"
                                                                               "2\0"
                                                                               "8\0"
                                                                               "5\0"
                                                                               "B\0"
                                                                               "I\0",
                                                                               18));
  EXPECT_EQ(Control({kIn, 6, 0, 6, 0, 0, 10, 0}, start_)[0].status, kStall);  // no qualifier
}

TEST_F(UsbipDeviceTest, ModemLinesAndRateReachTheLineAndComeBack) {
  Feed(ImportRequestBytes("1-1"), start_);
  Control({0x40, 1, 0x01, 0x01, 0, 0, 0, 0}, start_);  // DTR on, RTS untouched
  EXPECT_TRUE(line_.Dtr());
  EXPECT_FALSE(line_.Rts());
  line_.SetDsr(true);
  const auto status = Control({0xc0, 5, 0, 0, 0, 0, 2, 0}, start_);
  ASSERT_EQ(status[0].data.size(), 2u);
  EXPECT_EQ(static_cast<std::uint8_t>(status[0].data[0]), 0x21);
  Control({0x40, 1, 0x00, 0x01, 0, 0, 0, 0}, start_);
  EXPECT_FALSE(line_.Dtr());

  Control({0x40, 3, 0x38, 0x41, 0, 0, 0, 0}, start_);  // 312.5: 9600 bit/s
  EXPECT_EQ(line_.Settings().baud_rate, 9600u);
  EXPECT_EQ(DivisorRate(0x001a, 0), 115385u);
  EXPECT_EQ(DivisorRate(0, 0), 3000000u);
  EXPECT_EQ(DivisorRate(1, 0), 2000000u);
  // The fraction's third bit travels in the index: 0.875.
  EXPECT_EQ(DivisorRate(0xc000 | 100, 0x0100), 29740u);

  Feed(Submit(2, false, 2, {}, "\xA5\xAB"), start_);
  ASSERT_TRUE(line_.WaitReceived(2, 1s));
  EXPECT_EQ(line_.TakeReceived(), "\xA5\xAB");
}

TEST_F(UsbipDeviceTest, BulkInWaitsForTheLatencyTimerUnlessAPacketIsFull) {
  Feed(ImportRequestBytes("1-1"), start_);
  Control({0x40, 9, 2, 0, 0, 0, 0, 0}, start_);  // latency timer 2 ms
  EXPECT_EQ(Control({0xc0, 10, 0, 0, 0, 0, 1, 0}, start_)[0].data, "\x02");
  line_.Send("ab");
  EXPECT_EQ(Feed(Submit(1, true, 512), start_ + 1ms), "");
  const auto packet = Replies(device_.Poll(start_ + 3ms));
  ASSERT_EQ(packet.size(), 1u);
  EXPECT_EQ(packet[0].data.substr(2), "ab");

  line_.Send(std::string(100, 'x'));
  // Due at once, before the timer runs out again.
  const auto full = Replies(Feed(Submit(1, true, 512), start_ + 3ms));
  ASSERT_EQ(full.size(), 1u);
  EXPECT_EQ(full[0].data.size(), 64u);  // two status bytes and 62 of the line's
}

TEST_F(UsbipDeviceTest, AnUnlinkedSubmitGetsNoReturn) {
  Feed(ImportRequestBytes("1-1"), start_);
  Feed(Submit(1, true, 512), start_);
  const std::uint32_t victim = seqnum_;
  std::string unlink(48, '\0');
  unlink[3] = 2;  // CMD_UNLINK
  unlink[7] = 99;
  unlink[23] = static_cast<char>(victim);
  // Cut in the middle: the reader waits for the rest.
  EXPECT_EQ(Feed(unlink.substr(0, 30), start_), "");
  const auto replies = Replies(Feed(unlink.substr(30), start_));
  ASSERT_EQ(replies.size(), 1u);
  EXPECT_EQ(replies[0].command, 4u);
  EXPECT_EQ(replies[0].seqnum, 99u);
  EXPECT_EQ(replies[0].status, -104);  // -ECONNRESET
  line_.Send("late");
  EXPECT_EQ(device_.Poll(start_ + 100ms), "");
  EXPECT_EQ(device_.Unlinked(), 1);
}

}  // namespace
}  // namespace korvalesen::rig
