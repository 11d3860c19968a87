#pragma once

// The property record of an open comm device: its queue sizes and what can be set on it. The
// layout is the 64-byte record the component's capability queries are defined on; the flag
// values below are those the component maps onto its sets.

#include <cstdint>

namespace korvalesen::platform {

struct CommProperties {
  std::uint16_t packet_length = 0;
  std::uint16_t packet_version = 0;
  std::uint32_t service_mask = 0;
  std::uint32_t reserved = 0;
  std::uint32_t max_tx_queue = 0;  // 0: no limit of the driver
  std::uint32_t max_rx_queue = 0;
  std::uint32_t max_baud = 0;  // one rate flag
  std::uint32_t provider_subtype = 0;
  std::uint32_t provider_capabilities = 0;
  std::uint32_t settable_params = 0;
  std::uint32_t settable_baud = 0;
  std::uint16_t settable_data = 0;
  std::uint16_t settable_stop_parity = 0;
  std::uint32_t current_tx_queue = 0;
  std::uint32_t current_rx_queue = 0;
  std::uint32_t provider_spec1 = 0;
  std::uint32_t provider_spec2 = 0;
  char16_t provider_char = 0;
};
static_assert(sizeof(CommProperties) == 64);

inline constexpr std::uint16_t kPropertiesPacketVersion = 2;
inline constexpr std::uint32_t kServiceSerialComm = 0x1;
inline constexpr std::uint32_t kSubtypeRs232 = 0x1;

// Rate flags (max_baud, settable_baud).
inline constexpr std::uint32_t kBaud75 = 0x1;
inline constexpr std::uint32_t kBaud110 = 0x2;
inline constexpr std::uint32_t kBaud134_5 = 0x4;
inline constexpr std::uint32_t kBaud150 = 0x8;
inline constexpr std::uint32_t kBaud300 = 0x10;
inline constexpr std::uint32_t kBaud600 = 0x20;
inline constexpr std::uint32_t kBaud1200 = 0x40;
inline constexpr std::uint32_t kBaud1800 = 0x80;
inline constexpr std::uint32_t kBaud2400 = 0x100;
inline constexpr std::uint32_t kBaud4800 = 0x200;
inline constexpr std::uint32_t kBaud7200 = 0x400;
inline constexpr std::uint32_t kBaud9600 = 0x800;
inline constexpr std::uint32_t kBaud14400 = 0x1000;
inline constexpr std::uint32_t kBaud19200 = 0x2000;
inline constexpr std::uint32_t kBaud38400 = 0x4000;
inline constexpr std::uint32_t kBaud56000 = 0x8000;
inline constexpr std::uint32_t kBaud128000 = 0x10000;
inline constexpr std::uint32_t kBaud115200 = 0x20000;
inline constexpr std::uint32_t kBaud57600 = 0x40000;
inline constexpr std::uint32_t kBaudUser = 0x10000000;  // any rate (custom rates)

// Settable parameters.
inline constexpr std::uint32_t kSettableParity = 0x1;
inline constexpr std::uint32_t kSettableBaud = 0x2;
inline constexpr std::uint32_t kSettableDataBits = 0x4;
inline constexpr std::uint32_t kSettableStopBits = 0x8;
inline constexpr std::uint32_t kSettableHandshaking = 0x10;
inline constexpr std::uint32_t kSettableParityCheck = 0x20;
inline constexpr std::uint32_t kSettableRlsd = 0x40;

// Data bits.
inline constexpr std::uint16_t kData5 = 0x1;
inline constexpr std::uint16_t kData6 = 0x2;
inline constexpr std::uint16_t kData7 = 0x4;
inline constexpr std::uint16_t kData8 = 0x8;
inline constexpr std::uint16_t kData16 = 0x10;
inline constexpr std::uint16_t kData16Extended = 0x20;  // 16 bits over a wide channel

// Stop bits and parity (one word).
inline constexpr std::uint16_t kStop1 = 0x1;
inline constexpr std::uint16_t kStop1_5 = 0x2;
inline constexpr std::uint16_t kStop2 = 0x4;
inline constexpr std::uint16_t kParityNone = 0x100;
inline constexpr std::uint16_t kParityOdd = 0x200;
inline constexpr std::uint16_t kParityEven = 0x400;
inline constexpr std::uint16_t kParityMark = 0x800;
inline constexpr std::uint16_t kParitySpace = 0x1000;

// Provider capabilities.
inline constexpr std::uint32_t kCapDtrDsr = 0x1;
inline constexpr std::uint32_t kCapRtsCts = 0x2;
inline constexpr std::uint32_t kCapRlsd = 0x4;
inline constexpr std::uint32_t kCapParityCheck = 0x8;
inline constexpr std::uint32_t kCapXonXoff = 0x10;
inline constexpr std::uint32_t kCapSettableXChar = 0x20;
inline constexpr std::uint32_t kCapTotalTimeouts = 0x40;
inline constexpr std::uint32_t kCapIntervalTimeouts = 0x80;
inline constexpr std::uint32_t kCapSpecialChars = 0x100;
inline constexpr std::uint32_t kCap16BitMode = 0x200;

// The rate flags of the standard rates up to `highest_rate` bits per second, with kBaudUser:
// every device here takes custom rates (termios2 with BOTHER, or the virtual line).
std::uint32_t SettableRateFlags(std::uint32_t highest_rate);

// What every device here supports alike: data bits 5 to 8, one, one and a half (with 5 data
// bits only, as UARTs send it) and two stop bits, the five parities, parity checking,
// XON/XOFF with settable characters, the component's time-outs and its event character. A
// device with modem lines adds DTR/DSR, RTS/CTS and RLSD.
CommProperties SerialProperties(std::uint32_t highest_rate, bool modem_lines);

}  // namespace korvalesen::platform
