#pragma once

// The serial port component: TCustomComPort with all behaviour, TComPort, EComError, the four
// settings objects and the event thread TComThread. Everything runs on the caller's thread,
// which is the user-interface thread in the program; the event thread only waits and hands
// its batches over (handover_channel.h).

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "common/errors.h"
#include "platform/comm_config_store.h"
#include "platform/comm_device.h"
#include "platform/device_namespace.h"
#include "platform/device_notices.h"
#include "platform/priority.h"
#include "serial/com_config_presenter.h"
#include "serial/component.h"
#include "serial/enum_set.h"
#include "serial/event.h"

namespace korvalesen {

enum TBaudRate : std::uint8_t {
  brDefault,
  br50,
  br75,
  br110,
  br134_5,
  br150,
  br300,
  br600,
  br1200,
  br1800,
  br2000,
  br2400,
  br3600,
  br4800,
  br7200,
  br9600,
  br10400,
  br14400,
  br15625,
  br19200,
  br28800,
  br38400,
  br56000,
  br57600,
  br115200,
  br128000,
  br256000,
  brCustom
};
enum TDataBits : std::uint8_t { dbDefault, db4, db5, db6, db7, db8, db9, db16, db16x };
enum TParity : std::uint8_t { paDefault, paNone, paOdd, paEven, paMark, paSpace };
enum TStopBits : std::uint8_t { sbDefault, sb1, sb1_5, sb2 };
enum TDTRControl : std::uint8_t { dcDefault, dcDisable, dcEnable, dcHandshake };
enum TRTSControl : std::uint8_t { rcDefault, rcDisable, rcEnable, rcHandshake, rcToggle };
enum TXOnXOffControl : std::uint8_t { xcDefault, xcDisable, xcInput, xcOutput, xcInputOutput };
enum TOption : std::uint8_t {
  opCheckParity,
  opOutputCTSFlow,
  opOutputDSRFlow,
  opDSRSensitivity,
  opTXContinueOnXOff,
  opUseErrorChar,
  opDiscardNullBytes,
  opAbortOnError
};
using TOptions = EnumSet<TOption>;
enum TPriorityClass : std::uint8_t { pcDefault, pcIdle, pcNormal, pcHigh, pcRealTime };
enum TModemStatusValue : std::uint8_t { msCTS, msDSR, msRing, msRLSD };
using TModemStatus = EnumSet<TModemStatusValue>;
enum TLineError : std::uint8_t {
  leBreak,
  leDeviceNotSelected,
  leFrame,
  leIO,
  leMode,
  leOutOfPaper,
  leOverrun,
  leDeviceTimeOut,
  leRxOverflow,
  leParity,
  leTxFull
};
using TLineErrors = EnumSet<TLineError>;
enum TComAction : std::uint8_t { caFail, caAbort };
enum TThreadPriority : std::uint8_t {
  tpIdle,
  tpLowest,
  tpLower,
  tpNormal,
  tpHigher,
  tpHighest,
  tpTimeCritical
};

// The capability sets of an open device.
enum TSettableParameter : std::uint8_t {
  spParity,
  spParityCheck,
  spBaudRate,
  spDataBits,
  spStopBits,
  spHandShaking,
  spRLSD
};
using TSettableParameters = EnumSet<TSettableParameter>;
enum TCapability : std::uint8_t {
  caDtrDsr,
  caRtsCts,
  caRLSD,
  caParityCheck,
  caXOnXOff,
  caSettableXChar,
  caTotalTimeouts,
  caIntervalTimeouts,
  caSpecialChars,
  ca16BitMode
};
using TCapabilities = EnumSet<TCapability>;
using TBaudRates = EnumSet<TBaudRate>;
using TSettableDataBits = EnumSet<TDataBits>;
using TSettableParity = EnumSet<TParity>;
using TSettableStopBits = EnumSet<TStopBits>;
using TBytes = std::vector<std::uint8_t>;

// The twelve notification events of the event thread (OnLineError has a type of its own).
enum TComEvent : std::uint8_t {
  evBreak,
  evCTSChange,
  evDSRChange,
  evEvent1,
  evEvent2,
  evPrinterError,
  evRing,
  evRLSDChange,
  evRx80PercFull,
  evRxChar,
  evRxFlag,
  evTxEmpty
};
inline constexpr int kComEventCount = 12;

// Bits per second of each TBaudRate (brDefault 0; brCustom has none of its own).
std::int32_t BaudRateValue(TBaudRate rate);

class TCustomComPort;

// An error of the serial port: the text the user sees and the system's error code (an errno
// value), 0 for the component's own errors.
class EComError : public Error {
 public:
  EComError(std::int32_t code, std::string message) : Error(std::move(message)), code_(code) {}
  std::int32_t ErrorCode() const noexcept { return code_; }

 private:
  std::int32_t code_;
};

using TNotifyEvent = Event<TComponent&>;
using TOpenCloseEvent = Event<TCustomComPort&>;
using TReadWriteEvent = Event<TComponent&, const void*, std::int32_t, bool>;
using TComErrorEvent = Event<TCustomComPort&, const EComError&, TComAction&>;
using TLineErrorEvent = Event<TComponent&, TLineErrors>;
using TDeviceArrivalEvent = Event<TComponent&, const std::string&>;
using TDeviceRemovedEvent = Event<TComponent&, const std::string&>;

class TFlowControl {
 public:
  friend class TCustomComPort;  // reading a device control block back stores without applying
  explicit TFlowControl(TCustomComPort& port) : port_(port) {}
  TDTRControl DTR() const { return dtr_; }
  TRTSControl RTS() const { return rts_; }
  TXOnXOffControl XOnXOff() const { return xon_xoff_; }
  std::uint16_t XOnLimit() const { return xon_limit_; }
  std::uint16_t XOffLimit() const { return xoff_limit_; }
  void SetDTR(TDTRControl value);
  void SetRTS(TRTSControl value);
  void SetXOnXOff(TXOnXOffControl value);
  void SetXOnLimit(std::uint16_t value);
  void SetXOffLimit(std::uint16_t value);

 private:
  TCustomComPort& port_;
  TDTRControl dtr_ = dcDefault;
  TRTSControl rts_ = rcDefault;
  TXOnXOffControl xon_xoff_ = xcDefault;
  std::uint16_t xon_limit_ = 0;
  std::uint16_t xoff_limit_ = 0;
};

class TCharacters {
 public:
  explicit TCharacters(TCustomComPort& port) : port_(port) {}
  char XOn() const { return xon_; }
  char XOff() const { return xoff_; }
  char Error() const { return error_; }
  char Eof() const { return eof_; }
  char EventChar() const { return event_; }  // the property Event
  void SetXOn(char value);
  void SetXOff(char value);
  void SetError(char value);
  void SetEof(char value);
  void SetEventChar(char value);

 private:
  void Change(char& field, char value);
  TCustomComPort& port_;
  char xon_ = 0x11;
  char xoff_ = 0x13;
  char error_ = 0;
  char eof_ = 0;
  char event_ = 0;
};

class TBufferSizes {
 public:
  explicit TBufferSizes(TCustomComPort& port) : port_(port) {}
  std::int32_t Input() const { return input_; }
  std::int32_t Output() const { return output_; }
  void SetInput(std::int32_t value);
  void SetOutput(std::int32_t value);
  // The driver's maximum and current queue sizes; they raise on a closed port.
  std::int32_t GetMaxInput();
  std::int32_t GetMaxOutput();
  std::int32_t GetCurrentInput();
  std::int32_t GetCurrentOutput();

 private:
  TCustomComPort& port_;
  std::int32_t input_ = 4096;
  std::int32_t output_ = 2048;
};

class TTimeouts {
 public:
  explicit TTimeouts(TCustomComPort& port) : port_(port) {}
  const platform::CommTimeouts& Values() const { return values_; }
  std::int32_t ReadInterval() const { return values_.read_interval; }
  std::int32_t ReadMultiplier() const { return values_.read_multiplier; }
  std::int32_t ReadConstant() const { return values_.read_constant; }
  std::int32_t WriteMultiplier() const { return values_.write_multiplier; }
  std::int32_t WriteConstant() const { return values_.write_constant; }
  void SetReadInterval(std::int32_t value) { Change(values_.read_interval, value); }
  void SetReadMultiplier(std::int32_t value) { Change(values_.read_multiplier, value); }
  void SetReadConstant(std::int32_t value) { Change(values_.read_constant, value); }
  void SetWriteMultiplier(std::int32_t value) { Change(values_.write_multiplier, value); }
  void SetWriteConstant(std::int32_t value) { Change(values_.write_constant, value); }

 private:
  void Change(std::int32_t& field, std::int32_t value);
  TCustomComPort& port_;
  platform::CommTimeouts values_;
};

class TComThread;
struct ComThreadShared;
class DeviceNotification;

// The systems the port stands on; tests put the virtual line and lists in.
struct ComPortServices {
  platform::CommDeviceProvider* devices = nullptr;
  platform::DeviceNamespace* names = nullptr;
  platform::Priority* priority = nullptr;
  // The device notices; none means this system gives none (StartNotification is false).
  platform::DeviceNotices* notices = nullptr;
};
ComPortServices SystemComPortServices();

class TCustomComPort : public TComponent {
 public:
  explicit TCustomComPort(ComPortServices services = SystemComPortServices());
  ~TCustomComPort() override;

  // --- properties ---
  std::string About() const { return "TComPort 1.0 for Korvalesen (Linux, termios)"; }
  bool Active() const;
  void SetActive(bool value);
  TBaudRate BaudRate() const { return baud_rate_; }
  void SetBaudRate(TBaudRate value);
  std::int32_t CustomBaudRate() const;
  void SetCustomBaudRate(std::int32_t value);
  TDataBits DataBits() const { return data_bits_; }
  void SetDataBits(TDataBits value);
  const std::string& DeviceName() const { return device_name_; }
  void SetDeviceName(const std::string& value);
  const std::string& LogFile() const { return log_file_; }
  void SetLogFile(const std::string& value) { log_file_ = value; }
  TOptions Options() const { return options_; }
  void SetOptions(TOptions value);
  TParity Parity() const { return parity_; }
  void SetParity(TParity value);
  TPriorityClass PriorityClass() const { return priority_class_; }
  void SetPriorityClass(TPriorityClass value);
  TStopBits StopBits() const { return stop_bits_; }
  void SetStopBits(TStopBits value);
  bool SynchronizeEvents() const { return synchronize_events_; }
  void SetSynchronizeEvents(bool value);
  TThreadPriority ThreadPriority() const { return thread_priority_; }
  void SetThreadPriority(TThreadPriority value);
  TFlowControl& FlowControl() { return flow_control_; }
  TCharacters& Characters() { return characters_; }
  TBufferSizes& BufferSizes() { return buffer_sizes_; }
  TTimeouts& Timeouts() { return timeouts_; }
  TModemStatus ModemStatus() { return GetModemStatus(); }

  // --- events ---
  const TOpenCloseEvent& BeforeOpen() const { return before_open_; }
  const TOpenCloseEvent& AfterOpen() const { return after_open_; }
  const TOpenCloseEvent& BeforeClose() const { return before_close_; }
  const TOpenCloseEvent& AfterClose() const { return after_close_; }
  void SetBeforeOpen(TOpenCloseEvent e) { before_open_ = std::move(e); }
  void SetAfterOpen(TOpenCloseEvent e) { after_open_ = std::move(e); }
  void SetBeforeClose(TOpenCloseEvent e) { before_close_ = std::move(e); }
  void SetAfterClose(TOpenCloseEvent e) { after_close_ = std::move(e); }
  const TReadWriteEvent& BeforeRead() const { return before_read_; }
  const TReadWriteEvent& AfterRead() const { return after_read_; }
  const TReadWriteEvent& BeforeWrite() const { return before_write_; }
  const TReadWriteEvent& AfterWrite() const { return after_write_; }
  void SetBeforeRead(TReadWriteEvent e) { before_read_ = std::move(e); }
  void SetAfterRead(TReadWriteEvent e) { after_read_ = std::move(e); }
  void SetBeforeWrite(TReadWriteEvent e) { before_write_ = std::move(e); }
  void SetAfterWrite(TReadWriteEvent e) { after_write_ = std::move(e); }
  const TComErrorEvent& OnError() const { return on_error_; }
  void SetOnError(TComErrorEvent e) { on_error_ = std::move(e); }
  // The line events go through setters: a handler that differs from the current one (function
  // or bound object) is stored and the event mask recomputed.
  const TLineErrorEvent& OnLineError() const { return on_line_error_; }
  void SetOnLineError(TLineErrorEvent e);
  const TNotifyEvent& OnEvent(TComEvent which) const {
    return notify_[static_cast<std::size_t>(which)];
  }
  void SetOnEvent(TComEvent which, TNotifyEvent e);

  // --- lifecycle ---
  void Loaded() override;
  void Open();
  void Close();
  virtual void CreateHandle();
  void FreeHandle();
  void CheckActive();
  void CheckInactive();

  // --- applying settings ---
  void SetComDCB();
  // ToDevice true: the settings into the block; false: the block into the settings.
  void CopyDCB(platform::LineSettings& dcb, bool to_device);
  void SetComBufferSizes();
  void SetComTimeouts();

  // --- queues ---
  void PurgeInput();
  void PurgeOutput();
  void ClearInput();
  void ClearOutput();
  void AbortInput();
  void AbortOutput();
  void Flush();

  // --- errors ---
  [[noreturn]] void RaiseError(std::int32_t code, const std::string& message);

  // --- device lists (appended, not cleared) ---
  void EnumDevices(std::vector<std::string>& list);
  void EnumComDevicesFromRegistry(std::vector<std::string>& list);

  // --- reads, writes and line control ---
  void Read(void* buffer, std::int32_t length, bool wait_on_completion);
  void Write(const void* buffer, std::int32_t length, bool wait_on_completion);
  void WaitForReadCompletion();
  void WaitForWriteCompletion();
  bool ReadPending();
  bool WritePending();
  std::int32_t InputCount();
  std::int32_t OutputCount();
  std::uint8_t ReadByte();
  void WriteByte(std::uint8_t value);
  void SetDTR();
  void ClearDTR();
  void SetRTS();
  void ClearRTS();
  void SetXOn();
  void SetXOff();
  void ResetDevice();
  void SetBreak();
  void ClearBreak();
  void TransmitChar(char c);
  TModemStatus GetModemStatus();
  static TLineErrors GetLineErrors(std::uint32_t bits);
  void CheckLineErrors();
  void ClearLineErrors();

  // --- typed reads and writes: reads wait, writes do not ---
  char ReadChar();
  char ReadAnsiChar();
  std::uint16_t ReadWord();   // low byte first
  std::uint32_t ReadDWord();  // least significant byte first
  void WriteChar(char value);
  void WriteAnsiChar(char value);
  void WriteWord(std::uint16_t value);
  void WriteDWord(std::uint32_t value);
  // What is waiting in the receive queue, possibly nothing.
  std::string ReadString();
  std::string ReadAnsiString();
  TBytes ReadBytes();
  std::u16string ReadUtf8();
  void WriteString(const std::string& value);
  void WriteAnsiString(const std::string& value);
  void WriteUtf8(const std::u16string& value);
  void WriteBytes(const TBytes& value);
  // Byte by byte up to and with the terminator.
  std::string ReadUntil(char terminator);
  std::string ReadAnsiUntil(char terminator);
  TBytes ReadUntilBytes(std::uint8_t terminator);
  std::u16string ReadUntilUtf8(char terminator);
  // The until-forms with the carriage return, which stays in the result.
  std::string ReadLine();
  std::string ReadAnsiLine();
  std::u16string ReadLineUtf8();
  TBytes ReadLineBytes();
  // The matching write, then a carriage return.
  void WriteLine(const std::string& value);
  void WriteAnsiLine(const std::string& value);
  void WriteLineUtf8(const std::u16string& value);
  void WriteLineBytes(const TBytes& value);

  // --- capabilities of the open device ---
  platform::CommProperties GetCommProp();
  TBaudRate GetMaxBaudRate();
  TBaudRates GetSettableBaudRates();
  TSettableParameters GetSettableParameters();
  TSettableStopBits GetSettableStopBits();
  TSettableParity GetSettableParity();
  TSettableDataBits GetSettableDataBits();
  TCapabilities GetCapabilities();

  // --- configuration dialogs and the stored default configuration ---
  // Shows the port's settings over the device's default configuration; confirmed, they are
  // taken back into the settings and applied.
  bool ConfigDialog();
  // Shows the device's default configuration; confirmed, it is stored.
  bool DefaultConfigDialog();
  void SetConfigStore(platform::CommConfigStore& store) { config_store_ = &store; }
  // The dialog the two show (serial/dialog/ has the Qt one); without one they raise.
  void SetConfigPresenter(ComConfigPresenter* presenter) { config_presenter_ = presenter; }

  // --- the log file ---
  bool Log() const { return !log_file_.empty(); }
  // Appends one line to LogFile when logging: the time, Msg, and Data as "$XX, $XX".
  void WriteLog(const std::string& msg, const void* data = nullptr, std::int32_t count = 0);
  // The time text of the log lines (tests fix it).
  void SetLogTimeText(std::function<std::string()> time_text) {
    log_time_text_ = std::move(time_text);
  }

  // --- line events ---
  void SetComEventMask();
  // Whether an event thread is counted (also one that has ended after a failed wait).
  bool HasEventThread() const { return thread_ != nullptr; }

  // --- further device lists (appended, not cleared; no open port needed, nothing raised) ---
  // The device names that are serial ports (the names of the serial-port map, in the order of
  // the device names).
  void EnumComDevices(std::vector<std::string>& list);
  // The names a desktop shows for the serial ports, "FT232R USB UART (ttyUSB0)".
  void EnumComFriendlyNames(std::vector<std::string>& list);
  // DeviceName without a leading "\\.\" or device-path prefix ("/dev/").
  std::string ShortDeviceName() const;

  // --- device notices ---
  // Arrivals and removals of serial ports and USB devices, delivered on the user-interface
  // thread with the port as Sender and the name of platform::DeviceNotice. The setters store
  // and, outside design mode, start notices when either handler is assigned and stop them
  // when neither is. Notices are started and stopped on the user-interface thread.
  const TDeviceArrivalEvent& OnDeviceArrival() const { return on_device_arrival_; }
  const TDeviceRemovedEvent& OnDeviceRemoved() const { return on_device_removed_; }
  void SetOnDeviceArrival(TDeviceArrivalEvent e);
  void SetOnDeviceRemoved(TDeviceRemovedEvent e);
  // Starts listening unless it runs already; whether it runs now.
  bool StartNotification();
  // Stops listening; no notice is delivered after it, not even one already taken. Stopping
  // cannot fail, so it is always true.
  bool StopNotification();
  // The delivery of one notice (what the window's device-change message is on Windows): calls
  // OnDeviceArrival or OnDeviceRemoved with its name. It is false, since it never consumes the
  // notice.
  bool WindowHook(const platform::DeviceNotice& notice);

 private:
  friend class TComThread;
  friend class TFlowControl;
  friend class TCharacters;
  friend class TBufferSizes;
  friend class TTimeouts;

  // Runs a device call; a SysError becomes RaiseError with its code and text.
  template <class F>
  auto Check(F&& call) -> decltype(call()) {
    try {
      return call();
    } catch (const platform::SysError& e) {
      RaiseError(e.Code(), e.what());
    }
  }
  platform::CommDevice& Device();
  void Purge(unsigned flags);
  void Escape(platform::Escape function);
  std::uint32_t EventMask() const;
  void CreateThread();
  void DestroyThread();
  bool OnEventThread() const;
  // One wait of the event thread and its dispatch; false when the thread is to end.
  bool ThreadProc(ComThreadShared& thread, platform::CommDevice& device);
  void ThreadDoEvent(std::uint32_t event_word);
  [[noreturn]] void RaiseThreadError(std::int32_t code, const std::string& text);
  static int ThreadLevel(TThreadPriority priority);

  ComPortServices services_;
  TBaudRate baud_rate_ = brDefault;
  std::int32_t custom_baud_rate_ = 0;
  TDataBits data_bits_ = dbDefault;
  std::string device_name_ = "COM1";
  std::string log_file_;
  TOptions options_;
  TParity parity_ = paDefault;
  TPriorityClass priority_class_ = pcDefault;
  TStopBits stop_bits_ = sbDefault;
  bool synchronize_events_ = true;
  TThreadPriority thread_priority_ = tpTimeCritical;
  TFlowControl flow_control_{*this};
  TCharacters characters_{*this};
  TBufferSizes buffer_sizes_{*this};
  TTimeouts timeouts_{*this};
  bool stored_active_ = false;

  // --- extras ---
  void CopyDCBFromDevice(const platform::LineSettings& dcb);
  platform::LineSettings DefaultConfig();
  ComConfigPresenter& Presenter();
  platform::CommConfigStore* config_store_ = &platform::SystemCommConfigStore();
  ComConfigPresenter* config_presenter_ = nullptr;
  std::function<std::string()> log_time_text_;
  const void* pending_read_buffer_ = nullptr;
  const void* pending_write_buffer_ = nullptr;

  TOpenCloseEvent before_open_, after_open_, before_close_, after_close_;
  TReadWriteEvent before_read_, after_read_, before_write_, after_write_;
  TComErrorEvent on_error_;
  TLineErrorEvent on_line_error_;
  std::array<TNotifyEvent, kComEventCount> notify_;

  std::unique_ptr<platform::CommDevice> device_;
  std::unique_ptr<TComThread> thread_;
  std::optional<int> saved_priority_;
  bool read_started_ = false;
  bool write_started_ = false;
  std::int32_t pending_read_length_ = 0;
  std::int32_t pending_write_length_ = 0;
  std::vector<char> write_copy_;
  std::uint32_t event_word_ = 0;
  std::int32_t thread_error_ = 0;

  // --- device notices ---
  void FollowDeviceHandlers();
  TDeviceArrivalEvent on_device_arrival_;
  TDeviceRemovedEvent on_device_removed_;
  std::unique_ptr<DeviceNotification> notification_;
};

// The port as the window's stored description sets it up; it adds no behaviour.
class TComPort : public TCustomComPort {
 public:
  using TCustomComPort::TCustomComPort;
};

}  // namespace korvalesen
