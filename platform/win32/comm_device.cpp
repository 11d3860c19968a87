// The comm device of Windows: the device opened by CreateFile without sharing and for
// overlapped I/O, its device control block, queues, time-outs, purge, escape functions, error
// and modem state, and the overlapped read, write and event wait, each on an event of its own.

#include "platform/comm_device.h"

#include <windows.h>

#include <bit>
#include <memory>
#include <mutex>
#include <type_traits>

#include "platform/win32/code_page.h"
#include "platform/win32/modem_lines.h"
#include "platform/win32/overlapped_channel.h"
#include "platform/win32/system_error.h"

namespace korvalesen::platform {
namespace {

[[noreturn]] void ThrowLastError() {
  throw LastWindowsError();
}

void Check(BOOL ok) {
  if (!ok) ThrowLastError();
}

DCB ToDcb(const LineSettings& s, DCB dcb) {
  dcb.BaudRate = s.baud_rate;
  dcb.fBinary = s.binary;
  dcb.fParity = s.check_parity;
  dcb.fOutxCtsFlow = s.out_cts_flow;
  dcb.fOutxDsrFlow = s.out_dsr_flow;
  dcb.fDtrControl = static_cast<DWORD>(s.dtr_control) & 3;
  dcb.fDsrSensitivity = s.dsr_sensitivity;
  dcb.fTXContinueOnXoff = s.tx_continue_on_xoff;
  dcb.fOutX = s.xon_xoff_out;
  dcb.fInX = s.xon_xoff_in;
  dcb.fErrorChar = s.use_error_char;
  dcb.fNull = s.discard_null;
  dcb.fRtsControl = static_cast<DWORD>(s.rts_control) & 3;
  dcb.fAbortOnError = s.abort_on_error;
  dcb.XonLim = s.xon_limit;
  dcb.XoffLim = s.xoff_limit;
  dcb.ByteSize = s.byte_size;
  dcb.Parity = static_cast<BYTE>(s.parity);
  dcb.StopBits = static_cast<BYTE>(s.stop_bits);
  dcb.XonChar = s.xon_char;
  dcb.XoffChar = s.xoff_char;
  dcb.ErrorChar = s.error_char;
  dcb.EofChar = s.eof_char;
  dcb.EvtChar = s.event_char;
  return dcb;
}

LineSettings FromDcb(const DCB& dcb) {
  LineSettings s;
  s.baud_rate = dcb.BaudRate;
  s.binary = dcb.fBinary;
  s.check_parity = dcb.fParity;
  s.out_cts_flow = dcb.fOutxCtsFlow;
  s.out_dsr_flow = dcb.fOutxDsrFlow;
  s.dtr_control = static_cast<DtrControl>(dcb.fDtrControl);
  s.dsr_sensitivity = dcb.fDsrSensitivity;
  s.tx_continue_on_xoff = dcb.fTXContinueOnXoff;
  s.xon_xoff_out = dcb.fOutX;
  s.xon_xoff_in = dcb.fInX;
  s.use_error_char = dcb.fErrorChar;
  s.discard_null = dcb.fNull;
  s.rts_control = static_cast<RtsControl>(dcb.fRtsControl);
  s.abort_on_error = dcb.fAbortOnError;
  s.xon_limit = dcb.XonLim;
  s.xoff_limit = dcb.XoffLim;
  s.byte_size = dcb.ByteSize;
  s.parity = static_cast<ParityCode>(dcb.Parity);
  s.stop_bits = static_cast<StopBitsCode>(dcb.StopBits);
  s.xon_char = dcb.XonChar;
  s.xoff_char = dcb.XoffChar;
  s.error_char = dcb.ErrorChar;
  s.eof_char = dcb.EofChar;
  s.event_char = dcb.EvtChar;
  return s;
}

DWORD EscapeCode(Escape function) {
  switch (function) {
    case Escape::kSetXoff:
      return SETXOFF;
    case Escape::kSetXon:
      return SETXON;
    case Escape::kSetRts:
      return SETRTS;
    case Escape::kClearRts:
      return CLRRTS;
    case Escape::kSetDtr:
      return SETDTR;
    case Escape::kClearDtr:
      return CLRDTR;
    case Escape::kResetDevice:
      return RESETDEV;
    case Escape::kSetBreak:
      return SETBREAK;
    case Escape::kClearBreak:
      break;
  }
  return CLRBREAK;
}

// Owns a device handle until the device object has taken it.
struct HandleCloser {
  void operator()(HANDLE handle) const { CloseHandle(handle); }
};
using UniqueDevice = std::unique_ptr<std::remove_pointer_t<HANDLE>, HandleCloser>;

class Win32CommDevice final : public CommDevice {
 public:
  explicit Win32CommDevice(UniqueDevice device) : owned_(std::move(device)) {}
  ~Win32CommDevice() override {
    // Every request still pending, whichever thread started it, is ended and collected before
    // its buffer and event go; the handle closes last.
    CancelIoEx(device_, nullptr);
    read_.Collect(device_);
    write_.Collect(device_);
    event_.Collect(device_);
  }
  Win32CommDevice(const Win32CommDevice&) = delete;
  Win32CommDevice& operator=(const Win32CommDevice&) = delete;

  LineSettings GetSettings() override { return FromDcb(CurrentDcb()); }

  void SetSettings(const LineSettings& settings) override {
    DCB dcb = ToDcb(settings, CurrentDcb());
    Check(SetCommState(device_, &dcb));
  }

  void SetQueueSizes(std::int32_t input, std::int32_t output) override {
    Check(SetupComm(device_, static_cast<DWORD>(input), static_cast<DWORD>(output)));
  }

  CommProperties GetProperties() override {
    COMMPROP native{};
    Check(GetCommProperties(device_, &native));
    return std::bit_cast<CommProperties>(native);
  }

  CommTimeouts GetTimeouts() override {
    COMMTIMEOUTS native{};
    Check(GetCommTimeouts(device_, &native));
    return {static_cast<std::int32_t>(native.ReadIntervalTimeout),
            static_cast<std::int32_t>(native.ReadTotalTimeoutMultiplier),
            static_cast<std::int32_t>(native.ReadTotalTimeoutConstant),
            static_cast<std::int32_t>(native.WriteTotalTimeoutMultiplier),
            static_cast<std::int32_t>(native.WriteTotalTimeoutConstant)};
  }

  void SetTimeouts(const CommTimeouts& t) override {
    COMMTIMEOUTS native{static_cast<DWORD>(t.read_interval), static_cast<DWORD>(t.read_multiplier),
                        static_cast<DWORD>(t.read_constant), static_cast<DWORD>(t.write_multiplier),
                        static_cast<DWORD>(t.write_constant)};
    Check(SetCommTimeouts(device_, &native));
  }

  // PurgeComm returns before the aborted requests have completed. A driver that ignores the
  // abort (Wine's) would leave one pending for good: each is cancelled too, then collected.
  void Purge(unsigned flags) override {
    Check(PurgeComm(device_, flags));
    if ((flags & kPurgeRxAbort) != 0) read_.CancelAndCollect(device_);
    if ((flags & kPurgeTxAbort) != 0) write_.CancelAndCollect(device_);
  }
  void Flush() override { Check(FlushFileBuffers(device_)); }
  void EscapeFunction(Escape function) override {
    Check(EscapeCommFunction(device_, EscapeCode(function)));
  }
  void TransmitChar(char c) override { Check(TransmitCommChar(device_, c)); }

  std::uint32_t GetModemStatus() override {
    DWORD status = 0;
    Check(GetCommModemStatus(device_, &status));
    return status;
  }

  CommStatus ClearErrors() override {
    DWORD errors = 0;
    COMSTAT state{};
    Check(ClearCommError(device_, &errors, &state));
    return {errors, state.cbInQue, state.cbOutQue};
  }

  void StartRead(void* buffer, std::size_t length) override {
    read_.Started(ReadFile(device_, buffer, static_cast<DWORD>(length), nullptr, read_.Prepare()));
  }
  bool ReadDone() override { return read_.Done(device_); }
  std::size_t WaitRead() override { return read_.Wait(device_); }

  void StartWrite(const void* buffer, std::size_t length) override {
    // The device copies the bytes: the caller's buffer may go before the write ends.
    pending_write_.assign(static_cast<const char*>(buffer),
                          static_cast<const char*>(buffer) + length);
    write_.Started(WriteFile(device_, pending_write_.data(), static_cast<DWORD>(length), nullptr,
                             write_.Prepare()));
  }
  bool WriteDone() override { return write_.Done(device_); }
  std::size_t WaitWrite() override { return write_.Wait(device_); }

  // A mask of 0 stops the event thread's waits before it is joined. SetCommMask ends a
  // pending WaitCommEvent, but a device that has gone refuses the call (error 5) and a driver
  // need not end the wait on it; CancelIoEx reaches the wait, which the event thread started.
  // A driver completes a cancelled request, so the thread's GetOverlappedResult returns. No
  // wait starts while the waits are stopped: the flag and the start share a lock.
  void SetEventMask(std::uint32_t mask) override {
    const std::lock_guard lock(event_start_);
    waits_stopped_ = mask == 0;
    const BOOL set = SetCommMask(device_, mask);
    const DWORD code = GetLastError();
    if (!set || mask == 0) event_.Cancel(device_);
    if (!set) throw WindowsError(code);
  }

  std::uint32_t WaitEvent() override {
    DWORD events = 0;
    {
      const std::lock_guard lock(event_start_);
      if (waits_stopped_) throw WindowsError(ERROR_OPERATION_ABORTED);
      event_.Started(WaitCommEvent(device_, &events, event_.Prepare()));
    }
    event_.Wait(device_);
    return events;
  }

 private:
  DCB CurrentDcb() {
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    Check(GetCommState(device_, &dcb));
    return dcb;
  }

  UniqueDevice owned_;
  HANDLE device_ = owned_.get();
  OverlappedChannel read_;
  OverlappedChannel write_;
  OverlappedChannel event_;
  std::mutex event_start_;
  bool waits_stopped_ = false;
  std::string pending_write_;
};

class Win32Provider final : public CommDeviceProvider {
 public:
  std::unique_ptr<CommDevice> Open(const std::string& name, const OpenOptions& options) override {
    const HANDLE device = CreateFileW(WideFrom1252(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                      nullptr, OPEN_EXISTING, FILE_FLAG_OVERLAPPED, nullptr);
    if (device == INVALID_HANDLE_VALUE) ThrowLastError();
    // The handle is closed also when the device object cannot be made.
    auto opened = std::make_unique<Win32CommDevice>(UniqueDevice(device));
    SetModemLines(device, options.dtr, options.rts);
    return opened;
  }
};

}  // namespace

CommDeviceProvider& SystemCommDevices() {
  static Win32Provider provider;
  return provider;
}

}  // namespace korvalesen::platform
