#include "serial/com_port.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "common/exception_display.h"
#include "platform/user_interface_loop.h"
#include "serial/device_notification.h"
#include "serial/handover_channel.h"

namespace korvalesen {

namespace {

constexpr std::int32_t kRates[] = {
    0,    50,   75,    110,   134,   150,   300,   600,   1200,  1800,  2000,   2400,   3600,  4800,
    7200, 9600, 10400, 14400, 15625, 19200, 28800, 38400, 56000, 57600, 115200, 128000, 256000};

// The port whose event thread is the calling thread, if any.
thread_local const TCustomComPort* tl_event_thread_port = nullptr;

// The dispatch order of the event word, with the bit of each row (OnLineError in between)
// and its log line.
struct Row {
  std::uint32_t bit;
  int event;  // TComEvent, or -1 for OnLineError
  const char* log_line;
};
constexpr Row kRows[] = {
    {platform::kEvBreak, evBreak, "Break event"},
    {platform::kEvCts, evCTSChange, "CTSChange event"},
    {platform::kEvDsr, evDSRChange, "DSRChange event"},
    {platform::kEvErr, -1, "LineError event"},
    {platform::kEvEvent1, evEvent1, "Event1 event"},
    {platform::kEvEvent2, evEvent2, "Event2 event"},
    {platform::kEvPrinterError, evPrinterError, "PrinterError event"},
    {platform::kEvRing, evRing, "Ring event"},
    {platform::kEvRlsd, evRLSDChange, "RLSDChange event"},
    {platform::kEvRx80Full, evRx80PercFull, "Rx80PercFull event"},
    {platform::kEvRxChar, evRxChar, "RxChar event"},
    {platform::kEvRxFlag, evRxFlag, "RxFlag event"},
    {platform::kEvTxEmpty, evTxEmpty, "TxEmpty event"},
};

}  // namespace

std::int32_t BaudRateValue(TBaudRate rate) {
  return rate < brCustom ? kRates[rate] : 0;
}

ComPortServices SystemComPortServices() {
  return {&platform::SystemCommDevices(), &platform::SystemDeviceNamespace(),
          &platform::SystemPriority(), &platform::SystemDeviceNotices()};
}

// --- the event thread ---

struct ComThreadShared {
  std::atomic<bool> terminated{false};
  HandoverChannel channel;

  // The thread's priority level and its id while it runs (0 before it starts and after it
  // has ended), under one lock: a change before the start is applied by the thread itself,
  // and an ended thread's id, which the system may give to another thread, is never used.
  void Started(platform::Priority& priority) {
    const long id = priority.CurrentThread();
    std::lock_guard lock(mutex);
    tid = id;
    priority.SetThread(tid, level);
  }
  void Ended() {
    std::lock_guard lock(mutex);
    tid = 0;
  }
  void SetLevel(platform::Priority& priority, int value) {
    std::lock_guard lock(mutex);
    level = value;
    if (tid != 0) priority.SetThread(tid, level);
  }

  std::mutex mutex;
  long tid = 0;
  int level = 0;
};

class TComThread {
 public:
  using Shared = ComThreadShared;

  TComThread(TCustomComPort& port, platform::CommDevice& device, int level,
             platform::Priority& priority)
      : device_(device), priority_(priority), shared_(std::make_shared<Shared>()) {
    shared_->level = level;
    thread_ = std::thread([shared = shared_, &port, &device, &priority] {
      shared->Started(priority);
      tl_event_thread_port = &port;
      try {
        while (!shared->terminated.load()) {
          if (!port.ThreadProc(*shared, device)) break;
        }
      } catch (...) {
        // The thread ends by the exception; it touches nothing of the port afterwards.
      }
      shared->Ended();
    });
  }

  ~TComThread() {
    if (thread_.joinable()) thread_.join();
  }

  void Terminate() { shared_->terminated.store(true); }
  bool Terminated() const { return shared_->terminated.load(); }
  HandoverChannel& Channel() { return shared_->channel; }
  platform::CommDevice& Device() { return device_; }
  void SetLevel(int level) { shared_->SetLevel(priority_, level); }
  void Detach() { thread_.detach(); }

 private:
  platform::CommDevice& device_;
  platform::Priority& priority_;
  std::shared_ptr<Shared> shared_;
  std::thread thread_;
};

// --- settings objects ---

void TFlowControl::SetDTR(TDTRControl value) {
  if (value == dtr_) return;
  dtr_ = value;
  port_.SetComDCB();
}
void TFlowControl::SetRTS(TRTSControl value) {
  if (value == rts_) return;
  rts_ = value;
  port_.SetComDCB();
}
void TFlowControl::SetXOnXOff(TXOnXOffControl value) {
  if (value == xon_xoff_) return;
  xon_xoff_ = value;
  port_.SetComDCB();
}
void TFlowControl::SetXOnLimit(std::uint16_t value) {
  if (value == xon_limit_) return;
  xon_limit_ = value;
  port_.SetComDCB();
}
void TFlowControl::SetXOffLimit(std::uint16_t value) {
  if (value == xoff_limit_) return;
  xoff_limit_ = value;
  port_.SetComDCB();
}

void TCharacters::Change(char& field, char value) {
  if (field == value) return;
  field = value;
  port_.SetComDCB();
}
void TCharacters::SetXOn(char value) {
  Change(xon_, value);
}
void TCharacters::SetXOff(char value) {
  Change(xoff_, value);
}
void TCharacters::SetError(char value) {
  Change(error_, value);
}
void TCharacters::SetEof(char value) {
  Change(eof_, value);
}
void TCharacters::SetEventChar(char value) {
  Change(event_, value);
}

void TBufferSizes::SetInput(std::int32_t value) {
  if (value == input_) return;
  input_ = value;
  port_.SetComBufferSizes();
}
void TBufferSizes::SetOutput(std::int32_t value) {
  if (value == output_) return;
  output_ = value;
  port_.SetComBufferSizes();
}
std::int32_t TBufferSizes::GetMaxInput() {
  return static_cast<std::int32_t>(port_.GetCommProp().max_rx_queue);
}
std::int32_t TBufferSizes::GetMaxOutput() {
  return static_cast<std::int32_t>(port_.GetCommProp().max_tx_queue);
}
std::int32_t TBufferSizes::GetCurrentInput() {
  return static_cast<std::int32_t>(port_.GetCommProp().current_rx_queue);
}
std::int32_t TBufferSizes::GetCurrentOutput() {
  return static_cast<std::int32_t>(port_.GetCommProp().current_tx_queue);
}

void TTimeouts::Change(std::int32_t& field, std::int32_t value) {
  if (field == value) return;
  field = value;
  port_.SetComTimeouts();
}

// --- the port ---

TCustomComPort::TCustomComPort(ComPortServices services) : services_(services) {
  // The hand-over and the device notices need the user-interface loop: without one the port
  // is refused at once rather than at its first event.
  platform::InstalledUserInterfaceLoop();
}

TCustomComPort::~TCustomComPort() {
  StopNotification();
  // A destructor cannot pass an error on: what the close raises (its handler, or a log file
  // that can no longer be written) goes to the exception display. The device is freed by then.
  try {
    Close();
  } catch (...) {
    ShowCurrentException();
  }
}

platform::CommDevice& TCustomComPort::Device() {
  if (!device_) RaiseError(EBADF, std::strerror(EBADF));
  return *device_;
}

bool TCustomComPort::Active() const {
  return Designing() ? stored_active_ : device_ != nullptr;
}

void TCustomComPort::SetActive(bool value) {
  if (value != Active() && !Designing() && !Loading()) {
    if (value) {
      Open();
    } else {
      Close();
    }
  }
  stored_active_ = value;
}

void TCustomComPort::SetBaudRate(TBaudRate value) {
  if (value == baud_rate_) return;
  baud_rate_ = value;
  SetComDCB();
}

std::int32_t TCustomComPort::CustomBaudRate() const {
  return baud_rate_ == brCustom ? custom_baud_rate_ : BaudRateValue(baud_rate_);
}

void TCustomComPort::SetCustomBaudRate(std::int32_t value) {
  if (value == custom_baud_rate_) return;
  custom_baud_rate_ = value;
  baud_rate_ = brCustom;
  SetComDCB();
}

void TCustomComPort::SetDataBits(TDataBits value) {
  if (value == data_bits_) return;
  data_bits_ = value;
  SetComDCB();
}

void TCustomComPort::SetDeviceName(const std::string& value) {
  if (value == device_name_) return;
  CheckInactive();
  device_name_ = value;
}

void TCustomComPort::SetOptions(TOptions value) {
  if (value == options_) return;
  options_ = value;
  SetComDCB();
}

void TCustomComPort::SetParity(TParity value) {
  if (value == parity_) return;
  parity_ = value;
  SetComDCB();
}

void TCustomComPort::SetPriorityClass(TPriorityClass value) {
  if (value == priority_class_) return;
  CheckInactive();
  priority_class_ = value;
}

void TCustomComPort::SetStopBits(TStopBits value) {
  if (value == stop_bits_) return;
  stop_bits_ = value;
  SetComDCB();
}

void TCustomComPort::SetSynchronizeEvents(bool value) {
  if (value == synchronize_events_) return;
  CheckInactive();
  synchronize_events_ = value;
}

int TCustomComPort::ThreadLevel(TThreadPriority priority) {
  static constexpr int kLevels[] = {-15, -2, -1, 0, 1, 2, 15};
  return kLevels[priority];
}

void TCustomComPort::SetThreadPriority(TThreadPriority value) {
  if (value == thread_priority_) return;
  thread_priority_ = value;
  if (thread_) thread_->SetLevel(ThreadLevel(value));
}

void TCustomComPort::SetOnLineError(TLineErrorEvent e) {
  if (e == on_line_error_) return;
  on_line_error_ = std::move(e);
  SetComEventMask();
}

void TCustomComPort::SetOnEvent(TComEvent which, TNotifyEvent e) {
  auto& slot = notify_[static_cast<std::size_t>(which)];
  if (e == slot) return;
  slot = std::move(e);
  SetComEventMask();
}

void TCustomComPort::Loaded() {
  TComponent::Loaded();
  SetActive(stored_active_);
}

void TCustomComPort::Open() {
  if (Active()) return;
  if (before_open_) before_open_(*this);
  CreateHandle();
  if (Log()) WriteLog("Open " + device_name_);
  if (Active() && after_open_) after_open_(*this);
}

void TCustomComPort::Close() {
  if (thread_ && OnEventThread()) {
    thread_->Channel().Call([this] { Close(); });
    return;
  }
  if (!Active()) return;
  if (before_close_) before_close_(*this);
  FreeHandle();
  if (Log()) WriteLog("Close " + device_name_);
  if (!Active() && after_close_) after_close_(*this);
}

void TCustomComPort::CreateHandle() {
  FreeHandle();
  try {
    if (priority_class_ != pcDefault) {
      saved_priority_ = services_.priority->SaveProcess();
      static constexpr platform::ProcessClass kClasses[] = {
          platform::ProcessClass::kNormal, platform::ProcessClass::kIdle,
          platform::ProcessClass::kNormal, platform::ProcessClass::kHigh,
          platform::ProcessClass::kRealTime};
      services_.priority->SetProcessClass(kClasses[priority_class_]);
    }
    const platform::OpenOptions options{flow_control_.DTR() != dcDisable,
                                        flow_control_.RTS() != rcDisable};
    device_ = Check([&] { return services_.devices->Open(device_name_, options); });
    PurgeInput();
    PurgeOutput();
    SetComBufferSizes();
    SetComDCB();
    SetComTimeouts();
    SetComEventMask();
  } catch (...) {
    FreeHandle();
    throw;
  }
}

void TCustomComPort::FreeHandle() {
  DestroyThread();
  device_.reset();
  read_started_ = false;
  write_started_ = false;
  if (saved_priority_) {
    services_.priority->RestoreProcess(*saved_priority_);
    saved_priority_.reset();
  }
}

void TCustomComPort::CheckActive() {
  if (!Active()) RaiseError(0, "Can't perform this operation on a closed port");
}

void TCustomComPort::CheckInactive() {
  if (Active() && !Designing()) RaiseError(0, "Can't perform this operation on an open port");
}

void TCustomComPort::SetComDCB() {
  if (!device_ || Designing()) return;
  platform::LineSettings dcb = Check([&] { return device_->GetSettings(); });
  CopyDCB(dcb, true);
  Check([&] { device_->SetSettings(dcb); });
}

void TCustomComPort::SetComBufferSizes() {
  if (!device_ || Designing()) return;
  if (buffer_sizes_.Input() == -1 || buffer_sizes_.Output() == -1) return;
  Check([&] { device_->SetQueueSizes(buffer_sizes_.Input(), buffer_sizes_.Output()); });
}

void TCustomComPort::SetComTimeouts() {
  if (!device_ || Designing()) return;
  Check([&] { device_->GetTimeouts(); });
  Check([&] { device_->SetTimeouts(timeouts_.Values()); });
}

void TCustomComPort::Purge(unsigned flags) {
  if (!device_) return;
  Check([&] { device_->Purge(flags); });
  // An aborted request is finished; it reports nothing later.
  if ((flags & platform::kPurgeRxAbort) != 0) read_started_ = false;
  if ((flags & platform::kPurgeTxAbort) != 0) write_started_ = false;
}

void TCustomComPort::PurgeInput() {
  Purge(platform::kPurgeRxAbort | platform::kPurgeRxClear);
}
void TCustomComPort::PurgeOutput() {
  Purge(platform::kPurgeTxAbort | platform::kPurgeTxClear);
}
void TCustomComPort::ClearInput() {
  Purge(platform::kPurgeRxClear);
}
void TCustomComPort::ClearOutput() {
  Purge(platform::kPurgeTxClear);
}
void TCustomComPort::AbortInput() {
  Purge(platform::kPurgeRxAbort);
}
void TCustomComPort::AbortOutput() {
  Purge(platform::kPurgeTxAbort);
}

void TCustomComPort::Flush() {
  if (!device_) return;
  Check([&] { device_->Flush(); });
}

void TCustomComPort::RaiseError(std::int32_t code, const std::string& message) {
  const EComError error(code, message);
  TComAction action = caFail;
  if (on_error_) on_error_(*this, error, action);
  if (action == caAbort) throw SilentAbort();
  throw error;
}

void TCustomComPort::EnumDevices(std::vector<std::string>& list) {
  for (auto& name : services_.names->DeviceNames()) {
    if (!name.empty()) list.push_back(name);
  }
}

void TCustomComPort::EnumComDevicesFromRegistry(std::vector<std::string>& list) {
  for (auto& name : services_.names->SerialPortNames()) list.push_back(name);
}

// --- reads and writes ---

void TCustomComPort::Read(void* buffer, std::int32_t length, bool wait_on_completion) {
  CheckActive();
  if (before_read_) before_read_(*this, buffer, length, wait_on_completion);
  WaitForReadCompletion();
  // A line-error handler may have closed the port while the previous read was finished.
  CheckActive();
  pending_read_length_ = length;
  pending_read_buffer_ = buffer;
  if (length > 0) {
    if (Log()) WriteLog("Read request " + std::to_string(length) + " byte(s)");
    Check([&] { device_->StartRead(buffer, static_cast<std::size_t>(length)); });
    read_started_ = true;
    if (wait_on_completion) WaitForReadCompletion();
  }
  if (after_read_) after_read_(*this, buffer, length, wait_on_completion);
}

void TCustomComPort::Write(const void* buffer, std::int32_t length, bool wait_on_completion) {
  CheckActive();
  if (before_write_) before_write_(*this, buffer, length, wait_on_completion);
  WaitForWriteCompletion();
  CheckActive();  // as in Read
  pending_write_length_ = length;
  pending_write_buffer_ = buffer;
  if (length > 0) {
    if (Log()) WriteLog("Write request ", buffer, length);
    if (!wait_on_completion) {
      const char* p = static_cast<const char*>(buffer);
      write_copy_.assign(p, p + length);
      pending_write_buffer_ = write_copy_.data();
    }
    Check([&] { device_->StartWrite(pending_write_buffer_, static_cast<std::size_t>(length)); });
    write_started_ = true;
    if (wait_on_completion) WaitForWriteCompletion();
  }
  if (after_write_) after_write_(*this, buffer, length, wait_on_completion);
}

// The pending length goes back to 0 as soon as the request has ended, logging or not, so
// that a later "complete" line never reads a buffer its caller has given up.
void TCustomComPort::WaitForReadCompletion() {
  std::int32_t ended = 0;
  if (read_started_ && device_) {
    read_started_ = false;
    ended = std::exchange(pending_read_length_, 0);
    const std::size_t moved = Check([&] { return device_->WaitRead(); });
    if (moved != static_cast<std::size_t>(ended)) RaiseError(0, "Timeout");
  }
  CheckLineErrors();
  if (ended != 0 && Log()) WriteLog("Read complete ", pending_read_buffer_, ended);
}

void TCustomComPort::WaitForWriteCompletion() {
  std::int32_t ended = 0;
  if (write_started_ && device_) {
    write_started_ = false;
    ended = std::exchange(pending_write_length_, 0);
    const std::size_t moved = Check([&] { return device_->WaitWrite(); });
    if (moved != static_cast<std::size_t>(ended)) RaiseError(0, "Timeout");
  }
  CheckLineErrors();
  if (ended != 0 && Log()) WriteLog("Write complete ", pending_write_buffer_, ended);
}

bool TCustomComPort::ReadPending() {
  return device_ && read_started_ && !device_->ReadDone();
}
bool TCustomComPort::WritePending() {
  return device_ && write_started_ && !device_->WriteDone();
}

std::int32_t TCustomComPort::InputCount() {
  const platform::CommStatus status = Check([&] { return Device().ClearErrors(); });
  if (status.errors != 0 && on_line_error_) on_line_error_(*this, GetLineErrors(status.errors));
  return static_cast<std::int32_t>(status.in_queue);
}

std::int32_t TCustomComPort::OutputCount() {
  const platform::CommStatus status = Check([&] { return Device().ClearErrors(); });
  if (status.errors != 0 && on_line_error_) on_line_error_(*this, GetLineErrors(status.errors));
  return static_cast<std::int32_t>(status.out_queue);
}

std::uint8_t TCustomComPort::ReadByte() {
  std::uint8_t value = 0;
  Read(&value, 1, true);
  return value;
}

void TCustomComPort::WriteByte(std::uint8_t value) {
  Write(&value, 1, false);
}

void TCustomComPort::Escape(platform::Escape function) {
  CheckActive();
  Check([&] { device_->EscapeFunction(function); });
}
void TCustomComPort::SetDTR() {
  Escape(platform::Escape::kSetDtr);
}
void TCustomComPort::ClearDTR() {
  Escape(platform::Escape::kClearDtr);
}
void TCustomComPort::SetRTS() {
  Escape(platform::Escape::kSetRts);
}
void TCustomComPort::ClearRTS() {
  Escape(platform::Escape::kClearRts);
}
void TCustomComPort::SetXOn() {
  Escape(platform::Escape::kSetXon);
}
void TCustomComPort::SetXOff() {
  Escape(platform::Escape::kSetXoff);
}
void TCustomComPort::ResetDevice() {
  Escape(platform::Escape::kResetDevice);
}
void TCustomComPort::SetBreak() {
  Escape(platform::Escape::kSetBreak);
}
void TCustomComPort::ClearBreak() {
  Escape(platform::Escape::kClearBreak);
}

void TCustomComPort::TransmitChar(char c) {
  CheckActive();
  Check([&] { device_->TransmitChar(c); });
}

TModemStatus TCustomComPort::GetModemStatus() {
  if (Designing()) return {};
  CheckActive();
  const std::uint32_t bits = Check([&] { return device_->GetModemStatus(); });
  TModemStatus status;
  if ((bits & platform::kModemCts) != 0) status.Include(msCTS);
  if ((bits & platform::kModemDsr) != 0) status.Include(msDSR);
  if ((bits & platform::kModemRing) != 0) status.Include(msRing);
  if ((bits & platform::kModemRlsd) != 0) status.Include(msRLSD);
  return status;
}

TLineErrors TCustomComPort::GetLineErrors(std::uint32_t bits) {
  // In the order of TLineError.
  static constexpr std::uint32_t kBits[] = {platform::kErrBreak,   platform::kErrDeviceNotSelected,
                                            platform::kErrFrame,   platform::kErrIo,
                                            platform::kErrMode,    platform::kErrOutOfPaper,
                                            platform::kErrOverrun, platform::kErrPrinterTimeOut,
                                            platform::kErrRxOver,  platform::kErrParity,
                                            platform::kErrTxFull};
  TLineErrors errors;
  for (unsigned i = 0; i < std::size(kBits); ++i) {
    if ((bits & kBits[i]) != 0) errors.Include(static_cast<TLineError>(i));
  }
  return errors;
}

void TCustomComPort::CheckLineErrors() {
  CheckActive();
  const std::uint32_t bits = Check([&] { return device_->ClearErrors(); }).errors;
  if (bits != 0 && on_line_error_) on_line_error_(*this, GetLineErrors(bits));
}

void TCustomComPort::ClearLineErrors() {
  CheckActive();
  Check([&] { device_->ClearErrors(); });
}

// --- line events ---

std::uint32_t TCustomComPort::EventMask() const {
  std::uint32_t mask = 0;
  for (const Row& row : kRows) {
    const bool assigned = row.event < 0
                              ? static_cast<bool>(on_line_error_)
                              : static_cast<bool>(notify_[static_cast<std::size_t>(row.event)]);
    if (assigned) mask |= row.bit;
  }
  return mask;
}

void TCustomComPort::SetComEventMask() {
  if (!device_ || Designing()) return;
  const std::uint32_t mask = EventMask();
  if (mask == 0) DestroyThread();
  Check([&] { device_->SetEventMask(mask); });
  if (mask != 0) CreateThread();
}

void TCustomComPort::CreateThread() {
  if (thread_) return;
  try {
    thread_ = std::make_unique<TComThread>(*this, *device_, ThreadLevel(thread_priority_),
                                           *services_.priority);
  } catch (const std::system_error&) {
    RaiseError(0, "Can't create thread");
  }
}

bool TCustomComPort::OnEventThread() const {
  return tl_event_thread_port == this;
}

void TCustomComPort::DestroyThread() {
  if (!thread_) return;
  thread_->Terminate();
  if (device_) {
    try {
      device_->SetEventMask(0);
    } catch (const platform::SysError&) {
      // not tested, as the result of the original
    }
  }
  // A hand-over still queued is dropped; one running now is nested on this very stack (a
  // handler closes the port), so its thread cannot be waited for: it finds its terminate mark
  // when the hand-over returns and ends without touching the port.
  const bool running = thread_->Channel().Close();
  if (running || OnEventThread()) thread_->Detach();
  thread_.reset();
}

bool TCustomComPort::ThreadProc(ComThreadShared& thread, platform::CommDevice& device) {
  std::uint32_t word = 0;
  try {
    word = device.WaitEvent();
  } catch (const platform::SysError& e) {
    if (thread.terminated.load()) return false;
    const std::int32_t code = e.Code();
    const std::string text = e.what();
    try {
      thread.channel.Call([this, code, text] { RaiseThreadError(code, text); });
    } catch (...) {
      // the error handler's exception comes back here and ends the thread
    }
    if (code == platform::kDeviceGoneCode) thread.channel.Call([this] { Close(); });
    return false;
  }
  if (thread.terminated.load()) return false;
  if (word == 0) return true;  // a change of the mask: nothing to dispatch, wait again
  if (synchronize_events_) {
    return thread.channel.Call([this, word] { ThreadDoEvent(word); });
  }
  ThreadDoEvent(word);
  return true;
}

void TCustomComPort::RaiseThreadError(std::int32_t code, const std::string& text) {
  thread_error_ = code;
  RaiseError(code, text);
}

void TCustomComPort::ThreadDoEvent(std::uint32_t event_word) {
  event_word_ = event_word;
  try {
    for (const Row& row : kRows) {
      if ((event_word & row.bit) == 0) continue;
      if (Log()) WriteLog(row.log_line);
      if (row.event < 0) {
        CheckLineErrors();
      } else if (const auto& handler = notify_[static_cast<std::size_t>(row.event)]) {
        handler(*this);
      }
    }
  } catch (const Error&) {
    ShowCurrentException();
  }
}

}  // namespace korvalesen
