#pragma once

// The comm-device layer: one open serial device as the serial port component sees it. The
// Linux implementation sits on termios (platform/posix/termios_device.cpp), the Windows one on
// the Win32 comm functions with overlapped I/O (platform/win32/comm_device.cpp); the virtual
// serial line of sim/ is the double. Every failing call throws SysError with the system's
// error code and its text, taken at the call that failed: on Linux the errno value and
// strerror's text, on Windows GetLastError's value and FormatMessage's text.
//
// The numbers of the flag words (purge flags, communication error bits, modem status bits,
// event bits) are those the component's properties are defined with; they bind meaning only.

#include <cstddef>
#include <cstdint>
#include <memory>
#include <stdexcept>
#include <string>

#include "platform/comm_properties.h"

namespace korvalesen::platform {

// A failed system call: its code and the system's text (errno and strerror on Linux,
// GetLastError and FormatMessage on Windows).
class SysError : public std::runtime_error {
 public:
  SysError(int code, std::string text) : std::runtime_error(std::move(text)), code_(code) {}
  int Code() const noexcept { return code_; }
  // The error of errno value `code`, with strerror's text.
  static SysError FromErrno(int code);

 private:
  int code_;
};

// The code a device that has gone away (an unplugged adapter) reports, on which the component
// closes the port: 5 on both systems, EIO on Linux and ERROR_ACCESS_DENIED on Windows, which
// the USB serial drivers give for calls on the handle of a removed device.
inline constexpr int kDeviceGoneCode = 5;

enum class DtrControl : std::uint8_t { kDisable, kEnable, kHandshake };
enum class RtsControl : std::uint8_t { kDisable, kEnable, kHandshake, kToggle };
enum class ParityCode : std::uint8_t { kNone, kOdd, kEven, kMark, kSpace };
enum class StopBitsCode : std::uint8_t { kOne, kOneAndHalf, kTwo };

// The line state of a device (what the Win32 interface calls the device control block).
struct LineSettings {
  std::uint32_t baud_rate = 9600;
  std::uint8_t byte_size = 8;
  ParityCode parity = ParityCode::kNone;
  StopBitsCode stop_bits = StopBitsCode::kOne;
  bool binary = true;
  bool check_parity = false;         // opCheckParity
  bool out_cts_flow = false;         // opOutputCTSFlow
  bool out_dsr_flow = false;         // opOutputDSRFlow
  bool dsr_sensitivity = false;      // opDSRSensitivity
  bool tx_continue_on_xoff = false;  // opTXContinueOnXOff
  bool use_error_char = false;       // opUseErrorChar
  bool discard_null = false;         // opDiscardNullBytes
  bool abort_on_error = false;       // opAbortOnError
  DtrControl dtr_control = DtrControl::kDisable;
  RtsControl rts_control = RtsControl::kDisable;
  bool xon_xoff_in = false;   // XON/XOFF sent when the receive side fills
  bool xon_xoff_out = false;  // output stops on a received XOFF
  std::uint16_t xon_limit = 0;
  std::uint16_t xoff_limit = 0;
  char xon_char = 0x11;
  char xoff_char = 0x13;
  char error_char = 0;
  char eof_char = 0;
  char event_char = 0;

  bool operator==(const LineSettings&) const = default;
};

// Milliseconds; all 0: a read ends only when complete, a write has no limit. A read interval
// of -1 (MAXDWORD) with both read totals 0 makes a read return at once with what is there.
struct CommTimeouts {
  std::int32_t read_interval = 0;
  std::int32_t read_multiplier = 0;
  std::int32_t read_constant = 0;
  std::int32_t write_multiplier = 0;
  std::int32_t write_constant = 0;

  bool operator==(const CommTimeouts&) const = default;
};

// Purge flags.
inline constexpr unsigned kPurgeTxAbort = 0x1;
inline constexpr unsigned kPurgeRxAbort = 0x2;
inline constexpr unsigned kPurgeTxClear = 0x4;
inline constexpr unsigned kPurgeRxClear = 0x8;

// Communication error bits, read and cleared by ClearErrors.
inline constexpr std::uint32_t kErrRxOver = 0x1;
inline constexpr std::uint32_t kErrOverrun = 0x2;
inline constexpr std::uint32_t kErrParity = 0x4;
inline constexpr std::uint32_t kErrFrame = 0x8;
inline constexpr std::uint32_t kErrBreak = 0x10;
// The printer and device errors of the same word: no device here raises them, the component
// maps them all the same.
inline constexpr std::uint32_t kErrTxFull = 0x100;
inline constexpr std::uint32_t kErrPrinterTimeOut = 0x200;
inline constexpr std::uint32_t kErrIo = 0x400;
inline constexpr std::uint32_t kErrDeviceNotSelected = 0x800;
inline constexpr std::uint32_t kErrOutOfPaper = 0x1000;
inline constexpr std::uint32_t kErrMode = 0x8000;

// Modem status bits.
inline constexpr std::uint32_t kModemCts = 0x10;
inline constexpr std::uint32_t kModemDsr = 0x20;
inline constexpr std::uint32_t kModemRing = 0x40;
inline constexpr std::uint32_t kModemRlsd = 0x80;

// Event bits of the event mask and the event word.
inline constexpr std::uint32_t kEvRxChar = 0x1;
inline constexpr std::uint32_t kEvRxFlag = 0x2;
inline constexpr std::uint32_t kEvTxEmpty = 0x4;
inline constexpr std::uint32_t kEvCts = 0x8;
inline constexpr std::uint32_t kEvDsr = 0x10;
inline constexpr std::uint32_t kEvRlsd = 0x20;
inline constexpr std::uint32_t kEvBreak = 0x40;
inline constexpr std::uint32_t kEvErr = 0x80;
inline constexpr std::uint32_t kEvRing = 0x100;
inline constexpr std::uint32_t kEvPrinterError = 0x200;
inline constexpr std::uint32_t kEvRx80Full = 0x400;
inline constexpr std::uint32_t kEvEvent1 = 0x800;
inline constexpr std::uint32_t kEvEvent2 = 0x1000;

enum class Escape {
  kSetXoff,
  kSetXon,
  kSetRts,
  kClearRts,
  kSetDtr,
  kClearDtr,
  kResetDevice,
  kSetBreak,
  kClearBreak
};

struct CommStatus {
  std::uint32_t errors = 0;  // error bits, cleared by the read
  std::uint32_t in_queue = 0;
  std::uint32_t out_queue = 0;
};

// One open device. Reads and writes are two channels with at most one request outstanding
// each; a request is started, then tested without waiting or waited for. The event wait runs
// on one other thread at the same time as all the rest.
class CommDevice {
 public:
  virtual ~CommDevice() = default;

  virtual LineSettings GetSettings() = 0;
  // Applies the settings; a value the device cannot take throws (EINVAL), it is not changed.
  virtual void SetSettings(const LineSettings& settings) = 0;
  virtual void SetQueueSizes(std::int32_t input, std::int32_t output) = 0;
  // The property record: queue sizes and what can be set (comm_properties.h).
  virtual CommProperties GetProperties() = 0;
  virtual CommTimeouts GetTimeouts() = 0;
  virtual void SetTimeouts(const CommTimeouts& timeouts) = 0;
  virtual void Purge(unsigned flags) = 0;
  // Waits until everything written has left the port.
  virtual void Flush() = 0;
  virtual void EscapeFunction(Escape function) = 0;
  virtual void TransmitChar(char c) = 0;
  virtual std::uint32_t GetModemStatus() = 0;
  // Reads and clears the error bits; the queue counts.
  virtual CommStatus ClearErrors() = 0;

  // The read channel. The buffer must stay valid until the read has ended; it is filled on the
  // thread that tests or waits.
  virtual void StartRead(void* buffer, std::size_t length) = 0;
  virtual bool ReadDone() = 0;
  // Waits for the end of the read; the number of bytes moved (fewer only after a time-out or
  // an abort).
  virtual std::size_t WaitRead() = 0;

  // The write channel; the device copies the bytes. Done only when they have left the port.
  virtual void StartWrite(const void* buffer, std::size_t length) = 0;
  virtual bool WriteDone() = 0;
  virtual std::size_t WaitWrite() = 0;

  // Sets the event mask; a wait in progress ends with an event word of 0.
  virtual void SetEventMask(std::uint32_t mask) = 0;
  // Waits for an event of the mask; returns the event word (0 after a change of the mask).
  virtual std::uint32_t WaitEvent() = 0;
};

// Wanted line state right after the open, before anything else is done.
struct OpenOptions {
  bool dtr = false;
  bool rts = false;
};

// Opens devices by name for exclusive use.
class CommDeviceProvider {
 public:
  virtual ~CommDeviceProvider() = default;
  virtual std::unique_ptr<CommDevice> Open(const std::string& name, const OpenOptions& options) = 0;
};

// The provider of this system's serial devices (termios on Linux).
CommDeviceProvider& SystemCommDevices();

}  // namespace korvalesen::platform
