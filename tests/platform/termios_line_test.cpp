// The line settings a device takes, and their translation into termios and back; no device.
#include "platform/posix/termios_line.h"

#include <gtest/gtest.h>

#include <cerrno>

#include "platform/comm_queues.h"
#include "platform/line_settings_check.h"

namespace korvalesen::platform {
namespace {

LineSettings Format(std::uint8_t size, ParityCode parity, StopBitsCode stop) {
  LineSettings s;
  s.byte_size = size;
  s.parity = parity;
  s.stop_bits = stop;
  return s;
}

TEST(LineSettingsCheckTest, RefusesWhatNoDeviceTakes) {
  struct Case {
    LineSettings settings;
    int error;
  };
  LineSettings text_mode;
  text_mode.binary = false;
  LineSettings no_rate;
  no_rate.baud_rate = 0;
  const Case cases[] = {
      {LineSettings{}, 0},
      {Format(5, ParityCode::kMark, StopBitsCode::kOneAndHalf), 0},
      {Format(5, ParityCode::kNone, StopBitsCode::kTwo), 0},
      {Format(8, ParityCode::kSpace, StopBitsCode::kTwo), 0},
      {text_mode, EINVAL},
      {no_rate, EINVAL},
      {Format(4, ParityCode::kNone, StopBitsCode::kOne), EINVAL},
      {Format(9, ParityCode::kNone, StopBitsCode::kOne), EINVAL},
      {Format(6, ParityCode::kNone, StopBitsCode::kOneAndHalf), EINVAL},
      {Format(8, ParityCode::kNone, StopBitsCode::kOneAndHalf), EINVAL},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(LineSettingsError(c.settings), c.error)
        << int{c.settings.byte_size} << " bits, parity " << int(c.settings.parity) << ", stop "
        << int(c.settings.stop_bits) << ", rate " << c.settings.baud_rate;
  }
}

TEST(LineSettingsCheckTest, QueueSizesUpToTheLargestReceiveQueue) {
  constexpr auto kMax = static_cast<std::int32_t>(kMaxReceiveQueue);
  EXPECT_EQ(QueueSizesError(4096, 2048), 0);
  EXPECT_EQ(QueueSizesError(kMax, 0), 0);
  EXPECT_EQ(QueueSizesError(kMax + 1, 2048), EINVAL);
  EXPECT_EQ(QueueSizesError(0, 2048), EINVAL);
  EXPECT_EQ(QueueSizesError(4096, -1), EINVAL);
}

// Each format as termios bits, and read back as it was applied; CSTOPB with 5 data bits is
// one and a half stop bits only when that was asked for.
TEST(TermiosLineTest, FormatsBothWays) {
  struct Case {
    LineSettings settings;
    tcflag_t bits;
  };
  const Case cases[] = {
      {Format(8, ParityCode::kNone, StopBitsCode::kOne), CS8},
      {Format(7, ParityCode::kEven, StopBitsCode::kOne), CS7 | PARENB},
      {Format(7, ParityCode::kOdd, StopBitsCode::kTwo), CS7 | PARENB | PARODD | CSTOPB},
      {Format(6, ParityCode::kMark, StopBitsCode::kOne), CS6 | PARENB | CMSPAR | PARODD},
      {Format(8, ParityCode::kSpace, StopBitsCode::kTwo), CS8 | PARENB | CMSPAR | CSTOPB},
      {Format(5, ParityCode::kNone, StopBitsCode::kOneAndHalf), CS5 | CSTOPB},
      {Format(5, ParityCode::kOdd, StopBitsCode::kTwo), CS5 | PARENB | PARODD | CSTOPB},
  };
  constexpr tcflag_t kFormat = CSIZE | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message()
                 << int{c.settings.byte_size} << " bits, parity " << int(c.settings.parity)
                 << ", stop " << int(c.settings.stop_bits));
    termios t{};
    t.c_cflag = CS8 | PARENB | PARODD | CMSPAR | CSTOPB | CRTSCTS;  // all of it replaced
    ApplyLineSettings(c.settings, t);
    EXPECT_EQ(t.c_cflag & kFormat, c.bits);
    const LineSettings back = ReadLineSettings(t, c.settings);
    EXPECT_EQ(back.byte_size, c.settings.byte_size);
    EXPECT_EQ(back.parity, c.settings.parity);
    EXPECT_EQ(back.stop_bits, c.settings.stop_bits);
    EXPECT_EQ(ReadLineSettings(t, LineSettings{}).stop_bits,
              c.settings.stop_bits == StopBitsCode::kOne ? StopBitsCode::kOne : StopBitsCode::kTwo);
  }
}

// Raw from whatever the line was in; flow control and its characters as asked, and back.
TEST(TermiosLineTest, RawLineWithTheFlowControlAskedFor) {
  termios cooked{};
  cooked.c_iflag = ICRNL | IXON | IXANY | ISTRIP | INPCK;
  cooked.c_oflag = OPOST;
  cooked.c_lflag = ICANON | ECHO | ISIG | IEXTEN;
  cooked.c_cflag = CS8 | CRTSCTS;
  cooked.c_cc[VMIN] = 0;
  cooked.c_cc[VTIME] = 5;

  termios plain = cooked;
  ApplyLineSettings(LineSettings{}, plain);
  EXPECT_EQ(plain.c_iflag, 0u);
  EXPECT_EQ(plain.c_oflag & OPOST, 0u);
  EXPECT_EQ(plain.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(plain.c_cflag & (CREAD | CLOCAL | HUPCL | CRTSCTS),
            static_cast<tcflag_t>(CREAD | CLOCAL | HUPCL));
  EXPECT_EQ(plain.c_cc[VMIN], 1);
  EXPECT_EQ(plain.c_cc[VTIME], 0);

  LineSettings flow;
  flow.check_parity = true;
  flow.xon_xoff_in = true;
  flow.xon_xoff_out = true;
  flow.out_cts_flow = true;
  flow.xon_char = 'Q';
  flow.xoff_char = 'S';
  termios t = cooked;
  ApplyLineSettings(flow, t);
  EXPECT_EQ(t.c_iflag, static_cast<tcflag_t>(INPCK | IXON | IXOFF));
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);
  EXPECT_EQ(t.c_cc[VSTART], 'Q');
  EXPECT_EQ(t.c_cc[VSTOP], 'S');
  EXPECT_EQ(ReadLineSettings(t, LineSettings{}), flow);

  LineSettings rts_handshake;
  rts_handshake.rts_control = RtsControl::kHandshake;
  ApplyLineSettings(rts_handshake, t);
  EXPECT_NE(t.c_cflag & CRTSCTS, 0u);  // one termios flag for both directions
  EXPECT_EQ(t.c_iflag, 0u);
}

// A driver that keeps less than it was asked for (a pty stays at 8 bits without parity) is
// found out; bits outside the format and flow control do not count.
TEST(TermiosLineTest, WhatTheDriverKept) {
  termios asked{};
  ApplyLineSettings(Format(7, ParityCode::kEven, StopBitsCode::kOne), asked);
  termios got = asked;
  EXPECT_TRUE(KeptLineSettings(asked, got));
  got.c_cflag &= ~static_cast<tcflag_t>(HUPCL);
  EXPECT_TRUE(KeptLineSettings(asked, got));
  got.c_cflag = (got.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB)) | CS8;
  EXPECT_FALSE(KeptLineSettings(asked, got));
  got = asked;
  got.c_iflag |= IXON;
  EXPECT_FALSE(KeptLineSettings(asked, got));
}

}  // namespace
}  // namespace korvalesen::platform
