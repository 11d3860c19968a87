#include "platform/posix/termios_line.h"

#include <utility>

#include "platform/comm_properties.h"

namespace korvalesen::platform {
namespace {

constexpr tcflag_t kParityMask = PARENB | PARODD | CMSPAR;
// What the driver must keep of the settings applied.
constexpr tcflag_t kCflagChecked = CSIZE | kParityMask | CSTOPB | CRTSCTS;
constexpr tcflag_t kIflagChecked = INPCK | IXON | IXOFF;

// Data bits 5 to 8, with their flag of the property record.
constexpr std::pair<tcflag_t, std::uint16_t> kSizes[] = {
    {CS5, kData5}, {CS6, kData6}, {CS7, kData7}, {CS8, kData8}};

struct ParityBits {
  ParityCode code;
  tcflag_t bits;
  std::uint16_t flag;
};
constexpr ParityBits kParities[] = {{ParityCode::kNone, 0, kParityNone},
                                    {ParityCode::kOdd, PARENB | PARODD, kParityOdd},
                                    {ParityCode::kEven, PARENB, kParityEven},
                                    {ParityCode::kMark, PARENB | CMSPAR | PARODD, kParityMark},
                                    {ParityCode::kSpace, PARENB | CMSPAR, kParitySpace}};

}  // namespace

void MakeRaw(termios& t) {
  t.c_iflag &= ~static_cast<tcflag_t>(IGNBRK | BRKINT | PARMRK | ISTRIP | INLCR | IGNCR | ICRNL |
                                      IXON | IXOFF | IXANY | INPCK | IGNPAR | IUCLC | IMAXBEL);
  t.c_oflag &= ~static_cast<tcflag_t>(OPOST);
  t.c_lflag &= ~static_cast<tcflag_t>(ECHO | ECHONL | ICANON | ISIG | IEXTEN);
  t.c_cflag |= CREAD | CLOCAL;
  t.c_cc[VMIN] = 1;
  t.c_cc[VTIME] = 0;
}

void ApplyLineSettings(const LineSettings& s, termios& t) {
  MakeRaw(t);
  t.c_cflag &= ~kCflagChecked;
  t.c_cflag |= HUPCL;
  t.c_cflag |= kSizes[static_cast<std::size_t>(s.byte_size - 5)].first;
  for (const ParityBits& p : kParities) {
    if (p.code == s.parity) t.c_cflag |= p.bits;
  }
  if (s.stop_bits != StopBitsCode::kOne) t.c_cflag |= CSTOPB;
  if (s.out_cts_flow || s.rts_control == RtsControl::kHandshake) t.c_cflag |= CRTSCTS;
  if (s.check_parity) t.c_iflag |= INPCK;
  if (s.xon_xoff_in) t.c_iflag |= IXOFF;
  if (s.xon_xoff_out) t.c_iflag |= IXON;
  t.c_cc[VSTART] = static_cast<cc_t>(s.xon_char);
  t.c_cc[VSTOP] = static_cast<cc_t>(s.xoff_char);
}

LineSettings ReadLineSettings(const termios& t, const LineSettings& kept) {
  LineSettings s = kept;
  s.byte_size = 8;
  for (std::size_t i = 0; i < std::size(kSizes); ++i) {
    if ((t.c_cflag & CSIZE) == kSizes[i].first) s.byte_size = static_cast<std::uint8_t>(5 + i);
  }
  if ((t.c_cflag & PARENB) == 0) {
    s.parity = ParityCode::kNone;
  } else if ((t.c_cflag & CMSPAR) != 0) {
    s.parity = (t.c_cflag & PARODD) != 0 ? ParityCode::kMark : ParityCode::kSpace;
  } else {
    s.parity = (t.c_cflag & PARODD) != 0 ? ParityCode::kOdd : ParityCode::kEven;
  }
  // CSTOPB with 5 data bits is what one and a half stop bits are sent as.
  if ((t.c_cflag & CSTOPB) == 0) {
    s.stop_bits = StopBitsCode::kOne;
  } else if (s.stop_bits != StopBitsCode::kOneAndHalf || s.byte_size != 5) {
    s.stop_bits = StopBitsCode::kTwo;
  }
  s.check_parity = (t.c_iflag & INPCK) != 0;
  s.xon_xoff_in = (t.c_iflag & IXOFF) != 0;
  s.xon_xoff_out = (t.c_iflag & IXON) != 0;
  s.out_cts_flow = (t.c_cflag & CRTSCTS) != 0;
  s.xon_char = static_cast<char>(t.c_cc[VSTART]);
  s.xoff_char = static_cast<char>(t.c_cc[VSTOP]);
  return s;
}

bool KeptLineSettings(const termios& asked, const termios& got) {
  return (got.c_cflag & kCflagChecked) == (asked.c_cflag & kCflagChecked) &&
         (got.c_iflag & kIflagChecked) == (asked.c_iflag & kIflagChecked);
}

LineFormats ProbeLineFormats(int fd) {
  LineFormats formats;
  termios original{};
  if (tcgetattr(fd, &original) != 0) return formats;
  auto keeps = [&](tcflag_t mask, tcflag_t bits) {
    termios t = original;
    t.c_cflag = (t.c_cflag & ~mask) | bits;
    termios back{};
    return tcsetattr(fd, TCSANOW, &t) == 0 && tcgetattr(fd, &back) == 0 &&
           (back.c_cflag & mask) == bits;
  };
  for (const auto& [size, flag] : kSizes) {
    if (keeps(CSIZE, size)) formats.data |= flag;
  }
  for (const ParityBits& p : kParities) {
    if (keeps(kParityMask, p.bits)) formats.stop_parity |= p.flag;
  }
  formats.stop_parity |= kStop1;
  if (keeps(CSTOPB, CSTOPB)) {
    formats.stop_parity |= kStop2;
    // One and a half stop bits is what a UART sends for CSTOPB with 5 data bits.
    if ((formats.data & kData5) != 0) formats.stop_parity |= kStop1_5;
  }
  tcsetattr(fd, TCSANOW, &original);
  return formats;
}

}  // namespace korvalesen::platform
