#pragma once

// An FT232R as its USB side shows it: the descriptors, the FTDI vendor requests and the bulk
// packets, in front of a serial line (a comm device whose far end is the board). Modem
// control reaches the line's DTR and RTS, the line's DSR, CTS, RI and DCD come back in the
// status bytes, the baud divisor sets the line's rate (which paces its bytes), and bulk IN
// packets leave when 62 bytes wait or the latency timer runs out, as the chip sends them.

#include <array>
#include <chrono>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "platform/comm_device.h"
#include "rig/usbip_wire.h"

namespace korvalesen::rig {

using Clock = std::chrono::steady_clock;

// A negative errno status of a USB transfer: the endpoint stalled.
inline constexpr std::int32_t kStall = -32;

struct ControlReply {
  std::int32_t status = 0;
  std::string data;  // the IN stage
};

// A request the chip saw, with its time from the chip's start.
struct ChipEvent {
  std::chrono::microseconds at;
  std::string what;
};

class Ft232r {
 public:
  // The line must be open; reads on it are made to return at once.
  Ft232r(platform::CommDevice& line, std::string serial, Clock::time_point start);

  ExportedDevice Exported() const;
  ControlReply Control(const std::array<std::uint8_t, 8>& setup, std::string_view out_data,
                       Clock::time_point now);
  // Bytes for the line; the chip holds them until the line takes them (Pump).
  void BulkOut(std::string_view bytes, Clock::time_point now);
  void Pump();
  // When the next bulk IN packet is due.
  Clock::time_point InDue(Clock::time_point now);
  // The two status bytes and as many waiting bytes as fit into `room` and one packet.
  std::string TakeInPacket(std::size_t room, Clock::time_point now);

  std::chrono::milliseconds Latency() const { return latency_; }
  std::uint32_t BaudRate() const { return baud_rate_; }
  const std::vector<ChipEvent>& Events() const { return events_; }
  // How often each vendor request was made, by name.
  const std::map<std::string, int>& RequestCounts() const { return request_counts_; }
  std::size_t BytesToHost() const { return bytes_to_host_; }
  // The time of the last packet that carried data.
  std::chrono::microseconds LastDataAt() const { return last_data_at_; }

 private:
  ControlReply Standard(const std::array<std::uint8_t, 8>& setup) const;
  ControlReply Vendor(const std::array<std::uint8_t, 8>& setup, Clock::time_point now);
  void Note(Clock::time_point now, std::string what);
  // The line's queue counts; its errors are kept until a packet has carried them.
  platform::CommStatus LineStatus();
  std::string StatusBytes(const platform::CommStatus& status);

  platform::CommDevice& line_;
  std::string serial_;
  Clock::time_point start_;
  std::chrono::milliseconds latency_{16};
  std::uint32_t baud_rate_ = 9600;
  bool dtr_ = false;
  bool rts_ = false;
  Clock::time_point last_packet_;
  std::uint32_t errors_ = 0;
  std::string to_line_;
  std::string writing_;  // what the line is taking now
  std::vector<ChipEvent> events_;
  std::map<std::string, int> request_counts_;
  std::size_t bytes_to_host_ = 0;
  std::chrono::microseconds last_data_at_{0};
};

// The rate a baud divisor of the FT232R gives: 3 MHz over a divisor in eighths; the encoded
// values 0 and 1 are 3 and 2 Mbit/s.
std::uint32_t DivisorRate(std::uint16_t value, std::uint16_t index);

}  // namespace korvalesen::rig
