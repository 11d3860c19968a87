#include "rig/ft232r.h"

#include <algorithm>
#include <cstdio>
#include <utility>

namespace korvalesen::rig {

namespace {

constexpr std::uint16_t kVendor = 0x0403;
constexpr std::uint16_t kProduct = 0x6001;
constexpr std::uint16_t kBcdDevice = 0x0600;  // the FT232R's release, by which drivers know it
constexpr std::size_t kPacketSize = 64;
constexpr std::size_t kStatusSize = 2;

// The vendor requests.
enum : std::uint8_t {
  kReset = 0,
  kModemControl = 1,
  kFlowControl = 2,
  kSetBaudRate = 3,
  kSetData = 4,
  kGetModemStatus = 5,
  kSetLatency = 9,
  kGetLatency = 10,
  kReadEeprom = 0x90,
};

std::uint16_t Word(const std::array<std::uint8_t, 8>& setup, std::size_t at) {
  return static_cast<std::uint16_t>(setup[at] | (setup[at + 1] << 8));
}

std::string Bytes(std::initializer_list<int> values) {
  std::string out;
  for (const int v : values) out += static_cast<char>(v);
  return out;
}

std::string DeviceDescriptor() {
  return Bytes({18, 1, 0x00, 0x02, 0, 0, 0, 8, kVendor & 0xff, kVendor >> 8, kProduct & 0xff,
                kProduct >> 8, kBcdDevice & 0xff, kBcdDevice >> 8, 1, 2, 3, 1});
}

std::string ConfigurationDescriptor() {
  return Bytes(
      {9, 2, 32,   0, 1,           1,    0,    0xa0, 45,  // bus powered, remote wake-up, 90 mA
       9, 4, 0,    0, 2,           0xff, 0xff, 0xff, 2,   // one vendor interface
       7, 5, 0x81, 2, kPacketSize, 0,    0,               // bulk IN 1
       7, 5, 0x02, 2, kPacketSize, 0,    0});             // bulk OUT 2
}

std::string StringDescriptor(std::string_view text) {
  std::string out = Bytes({static_cast<int>(2 + 2 * text.size()), 3});
  for (const char c : text) {
    out += c;
    out += '\0';
  }
  return out;
}

std::string HexBytes(std::string_view bytes) {
  std::string out;
  char digits[4];
  for (const char c : bytes) {
    std::snprintf(digits, sizeof digits, "%02X",
                  static_cast<unsigned>(static_cast<std::uint8_t>(c)));
    out += digits;
  }
  return out;
}

}  // namespace

std::uint32_t DivisorRate(std::uint16_t value, std::uint16_t index) {
  const std::uint32_t encoded = value | (static_cast<std::uint32_t>(index >> 8 & 1) << 16);
  if (encoded == 0) return 3000000;
  if (encoded == 1) return 2000000;
  // The fraction's code in bits 14 to 16, in eighths.
  constexpr std::uint32_t kEighths[8] = {0, 4, 2, 1, 3, 5, 6, 7};
  const std::uint32_t eighths = (encoded & 0x3fff) * 8 + kEighths[encoded >> 14];
  return static_cast<std::uint32_t>((3000000ull * 8 + eighths / 2) / eighths);
}

Ft232r::Ft232r(platform::CommDevice& line, std::string serial, Clock::time_point start)
    : line_(line), serial_(std::move(serial)), start_(start), last_packet_(start) {
  platform::CommTimeouts immediate;
  immediate.read_interval = -1;
  line_.SetTimeouts(immediate);
  platform::LineSettings settings = line_.GetSettings();
  settings.baud_rate = baud_rate_;
  line_.SetSettings(settings);
}

ExportedDevice Ft232r::Exported() const {
  ExportedDevice device;
  device.busid = "1-1";
  device.vendor = kVendor;
  device.product = kProduct;
  device.bcd_device = kBcdDevice;
  return device;
}

ControlReply Ft232r::Control(const std::array<std::uint8_t, 8>& setup, std::string_view out_data,
                             Clock::time_point now) {
  (void)out_data;  // no request of the chip has an OUT data stage
  const std::uint8_t type = setup[0] & 0x60;
  ControlReply reply = type == 0x40 ? Vendor(setup, now)
                       : type == 0  ? Standard(setup)
                                    : ControlReply{kStall, {}};
  if (reply.data.size() > Word(setup, 6)) reply.data.resize(Word(setup, 6));
  return reply;
}

ControlReply Ft232r::Standard(const std::array<std::uint8_t, 8>& setup) const {
  const std::uint8_t request = setup[1];
  const std::uint16_t value = Word(setup, 2);
  switch (request) {
    case 0:  // GET_STATUS: bus powered, no remote wake-up armed
      return {0, Bytes({0, 0})};
    case 1:   // CLEAR_FEATURE
    case 9:   // SET_CONFIGURATION
    case 11:  // SET_INTERFACE
      return {};
    case 6:  // GET_DESCRIPTOR
      switch (value >> 8) {
        case 1:
          return {0, DeviceDescriptor()};
        case 2:
          return {0, ConfigurationDescriptor()};
        case 3:
          switch (value & 0xff) {
            case 0:
              return {0, Bytes({4, 3, 0x09, 0x04})};  // English (United States)
            case 1:
              return {0, StringDescriptor("FTDI")};
            case 2:
              return {0, StringDescriptor("FT232R USB UART")};
            case 3:
              return {0, StringDescriptor(serial_)};
            default:
              return {kStall, {}};
          }
        default:  // a full-speed device has no qualifier
          return {kStall, {}};
      }
    case 8:  // GET_CONFIGURATION
      return {0, Bytes({1})};
    default:
      return {kStall, {}};
  }
}

ControlReply Ft232r::Vendor(const std::array<std::uint8_t, 8>& setup, Clock::time_point now) {
  const std::uint8_t request = setup[1];
  const std::uint16_t value = Word(setup, 2);
  const std::uint16_t index = Word(setup, 4);
  switch (request) {
    case kReset: {
      ++request_counts_["reset"];
      const unsigned flags = value == 1   ? platform::kPurgeRxClear
                             : value == 2 ? platform::kPurgeTxClear
                                          : platform::kPurgeRxClear | platform::kPurgeTxClear;
      line_.Purge(flags);
      if ((flags & platform::kPurgeTxClear) != 0) to_line_.clear();
      Note(now, value == 1 ? "purge rx" : value == 2 ? "purge tx" : "reset");
      return {};
    }
    case kModemControl: {
      ++request_counts_["modem control"];
      // The close of the tty lowers lines that may be low already: the request is noted too.
      Note(now, "modem control");
      if ((value & 0x100) != 0 && dtr_ != ((value & 1) != 0)) {
        dtr_ = (value & 1) != 0;
        line_.EscapeFunction(dtr_ ? platform::Escape::kSetDtr : platform::Escape::kClearDtr);
        Note(now, dtr_ ? "dtr 1" : "dtr 0");
      }
      if ((value & 0x200) != 0 && rts_ != ((value & 2) != 0)) {
        rts_ = (value & 2) != 0;
        line_.EscapeFunction(rts_ ? platform::Escape::kSetRts : platform::Escape::kClearRts);
        Note(now, rts_ ? "rts 1" : "rts 0");
      }
      return {};
    }
    case kFlowControl:
      ++request_counts_["flow control"];
      Note(now, "flow control");
      return {};
    case kSetBaudRate: {
      ++request_counts_["baud rate"];
      baud_rate_ = DivisorRate(value, index);
      platform::LineSettings settings = line_.GetSettings();
      settings.baud_rate = baud_rate_;
      line_.SetSettings(settings);
      Note(now, "baud " + std::to_string(baud_rate_));
      return {};
    }
    case kSetData:
      ++request_counts_["data format"];
      Note(now, "data " + std::to_string(value & 0xff) + ((value & 0x4000) != 0 ? " break" : ""));
      line_.EscapeFunction((value & 0x4000) != 0 ? platform::Escape::kSetBreak
                                                 : platform::Escape::kClearBreak);
      return {};
    case kGetModemStatus: {
      ++request_counts_["modem status"];
      return {0, StatusBytes(LineStatus())};
    }
    case kSetLatency:
      ++request_counts_["set latency"];
      latency_ = std::chrono::milliseconds(value & 0xff);
      Note(now, "latency " + std::to_string(latency_.count()));
      return {};
    case kGetLatency:
      ++request_counts_["get latency"];
      return {0, Bytes({static_cast<int>(latency_.count())})};
    case kReadEeprom:  // an erased EEPROM: the chip's defaults, no CBUS functions
      ++request_counts_["read eeprom"];
      return {0, Bytes({0, 0})};
    default:
      ++request_counts_["unknown"];
      return {kStall, {}};
  }
}

void Ft232r::BulkOut(std::string_view bytes, Clock::time_point now) {
  to_line_ += bytes;
  Note(now, "out " + HexBytes(bytes) + " at-byte " + std::to_string(bytes_to_host_));
  Pump();
}

void Ft232r::Pump() {
  if (!writing_.empty()) {
    if (!line_.WriteDone()) return;
    line_.WaitWrite();
    writing_.clear();
  }
  if (to_line_.empty()) return;
  writing_ = std::exchange(to_line_, {});
  line_.StartWrite(writing_.data(), writing_.size());
}

platform::CommStatus Ft232r::LineStatus() {
  platform::CommStatus status = line_.ClearErrors();
  errors_ |= status.errors;
  return status;
}

std::string Ft232r::StatusBytes(const platform::CommStatus& status) {
  std::uint8_t line_status = 0;
  if ((errors_ & platform::kErrOverrun) != 0) line_status |= 0x02;
  if ((errors_ & platform::kErrParity) != 0) line_status |= 0x04;
  if ((errors_ & platform::kErrFrame) != 0) line_status |= 0x08;
  if ((errors_ & platform::kErrBreak) != 0) line_status |= 0x10;
  if (status.out_queue == 0 && writing_.empty() && to_line_.empty()) line_status |= 0x60;
  // The low nibble of the first byte is 1 on this chip; the modem bits share the high one.
  return Bytes({static_cast<int>(0x01 | (line_.GetModemStatus() & 0xf0)), line_status});
}

Clock::time_point Ft232r::InDue(Clock::time_point now) {
  if (LineStatus().in_queue >= kPacketSize - kStatusSize) return now;
  return last_packet_ + std::max(latency_, std::chrono::milliseconds(1));
}

std::string Ft232r::TakeInPacket(std::size_t room, Clock::time_point now) {
  const platform::CommStatus status = LineStatus();
  std::string packet = StatusBytes(status);
  errors_ = 0;
  last_packet_ = now;
  const std::size_t count = std::min<std::size_t>(
      {status.in_queue, kPacketSize - kStatusSize, room > kStatusSize ? room - kStatusSize : 0});
  if (count == 0) return packet;
  std::string data(count, '\0');
  line_.StartRead(data.data(), data.size());
  data.resize(line_.WaitRead());
  if (!data.empty()) packet[1] = static_cast<char>(packet[1] | 0x01);
  bytes_to_host_ += data.size();
  last_data_at_ = std::chrono::duration_cast<std::chrono::microseconds>(now - start_);
  return packet + data;
}

void Ft232r::Note(Clock::time_point now, std::string what) {
  events_.push_back(
      {std::chrono::duration_cast<std::chrono::microseconds>(now - start_), std::move(what)});
}

}  // namespace korvalesen::rig
