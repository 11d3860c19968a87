#pragma once

// TComSignal: shows one signal of a serial port as the colour of a control, like a lamp. It
// chains itself into the port's events; its timer runs on the user-interface loop.

#include <cstdint>
#include <memory>

#include "platform/user_interface_loop.h"
#include "serial/com_port.h"

namespace korvalesen {

// What the indicator paints: the window gives it an adapter around its panel.
class SignalControl : public TComponent {
 public:
  virtual void SetColor(std::uint32_t bgr) = 0;  // 0x00BBGGRR
};

enum TSignal : std::uint8_t {
  siNone,
  siBreak,
  siRxChar,
  siTxChar,
  siCTS,
  siDSR,
  siEvent1,
  siEvent2,
  siLineError,
  siPrinterError,
  siRing,
  siRLSD,
  siRx80PercFull,
  siRxFlag,
  siTxEmpty
};

inline constexpr std::uint32_t clGreen = 0x008000;
inline constexpr std::uint32_t clLime = 0x00FF00;

class TComSignal : public TComponent {
 public:
  TComSignal();
  ~TComSignal() override;

  std::uint32_t ColorOff() const { return color_off_; }
  void SetColorOff(std::uint32_t value);
  std::uint32_t ColorOn() const { return color_on_; }
  void SetColorOn(std::uint32_t value) { color_on_ = value; }
  TCustomComPort* ComPort() const { return port_; }
  void SetComPort(TCustomComPort* port);
  SignalControl* Control() const { return control_; }
  void SetControl(SignalControl* control);
  std::int32_t Delay() const { return delay_; }
  void SetDelay(std::int32_t value);
  TSignal Signal() const { return signal_; }
  void SetSignal(TSignal value) { signal_ = value; }
  bool SignalValue() const { return value_; }
  const TNotifyEvent& OnSignal() const { return on_signal_; }
  void SetOnSignal(TNotifyEvent e) { on_signal_ = std::move(e); }

  void Loaded() override;
  void Notification(TComponent* component, TOperation operation) override;

 private:
  void RetrieveEvents();
  void RestoreEvents();
  void StartTimer();
  void UpdateSignalValue();
  void SetSignalValue(bool value);
  void UpdateColor();
  void OnTimer();
  // Another indicator unhooks: where this one saved its hook, take what it had saved.
  void Unchain(const TComSignal& removed);

  void HookNotify(TComponent& sender);
  void HookLineError(TComponent& sender, TLineErrors errors);
  void HookBeforeWrite(TComponent& sender, const void* buffer, std::int32_t length, bool wait);
  void HookAfterWrite(TComponent& sender, const void* buffer, std::int32_t length, bool wait);
  void HookModem(TComponent& sender);
  void HookAfterOpen(TCustomComPort& port);
  void HookAfterClose(TCustomComPort& port);

  std::uint32_t color_off_ = clGreen;
  std::uint32_t color_on_ = clLime;
  TCustomComPort* port_ = nullptr;
  SignalControl* control_ = nullptr;
  std::int32_t delay_ = 100;
  TSignal signal_ = siNone;
  TSignal hooked_ = siNone;  // the member the hooks were installed for
  bool hooked_any_ = false;
  bool value_ = false;
  bool writing_ = false;
  TNotifyEvent on_signal_;
  std::unique_ptr<platform::LoopTimer> timer_;
  TOpenCloseEvent saved_after_open_, saved_after_close_;
  TReadWriteEvent saved_before_write_, saved_after_write_;
  TNotifyEvent saved_pulse_, saved_modem_;
  TLineErrorEvent saved_line_error_;
};

}  // namespace korvalesen
