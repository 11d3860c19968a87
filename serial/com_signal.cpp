#include "serial/com_signal.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "common/exception_display.h"

namespace korvalesen {
namespace {

enum class Kind { kNone, kPulse, kTx, kLineError, kModem };

struct SignalInfo {
  Kind kind;
  std::optional<TComEvent> event;
  std::optional<TModemStatusValue> status;
};

SignalInfo Info(TSignal s) {
  switch (s) {
    case siNone:
      return {Kind::kNone, {}, {}};
    case siBreak:
      return {Kind::kPulse, evBreak, {}};
    case siRxChar:
      return {Kind::kPulse, evRxChar, {}};
    case siTxChar:
      return {Kind::kTx, {}, {}};
    case siCTS:
      return {Kind::kModem, evCTSChange, msCTS};
    case siDSR:
      return {Kind::kModem, evDSRChange, msDSR};
    case siEvent1:
      return {Kind::kPulse, evEvent1, {}};
    case siEvent2:
      return {Kind::kPulse, evEvent2, {}};
    case siLineError:
      return {Kind::kLineError, {}, {}};
    case siPrinterError:
      return {Kind::kPulse, evPrinterError, {}};
    case siRing:
      return {Kind::kModem, evRing, msRing};
    case siRLSD:
      return {Kind::kModem, evRLSDChange, msRLSD};
    case siRx80PercFull:
      return {Kind::kPulse, evRx80PercFull, {}};
    case siRxFlag:
      return {Kind::kPulse, evRxFlag, {}};
    case siTxEmpty:
      return {Kind::kPulse, evTxEmpty, {}};
  }
  return {Kind::kNone, {}, {}};
}

std::vector<TComSignal*>& Indicators() {
  static std::vector<TComSignal*> all;  // user-interface thread only
  return all;
}

}  // namespace

TComSignal::TComSignal()
    : timer_(platform::InstalledUserInterfaceLoop().MakeTimer(
          std::chrono::milliseconds(delay_), platform::UserInterfaceLoop::Repeat::kPeriodic,
          [this] { OnTimer(); })) {
  timer_->Start();  // created running, as the framework's timer
  Indicators().push_back(this);
}

TComSignal::~TComSignal() {
  timer_.reset();
  // Unhooking sets the port's event mask, which raises when the device is gone; a destructor
  // cannot pass that on, so it goes to the exception display and the unhooking goes on.
  try {
    RestoreEvents();
  } catch (...) {
    ShowCurrentException();
  }
  std::erase(Indicators(), this);
  if (port_ != nullptr) port_->RemoveFreeNotification(this);
  if (control_ != nullptr) control_->RemoveFreeNotification(this);
}

void TComSignal::SetColorOff(std::uint32_t value) {
  if (value == color_off_) return;
  color_off_ = value;
  UpdateColor();
}

void TComSignal::SetControl(SignalControl* control) {
  if (control == control_) return;
  if (control_ != nullptr) control_->RemoveFreeNotification(this);
  control_ = control;
  if (control_ != nullptr) control_->FreeNotification(this);
  UpdateColor();
}

void TComSignal::SetDelay(std::int32_t value) {
  if (value == delay_) return;
  delay_ = value;
  timer_->SetInterval(std::chrono::milliseconds(value));
}

void TComSignal::SetComPort(TCustomComPort* port) {
  if (port == port_) return;
  timer_->Stop();
  RestoreEvents();
  if (port_ != nullptr) port_->RemoveFreeNotification(this);
  port_ = port;
  if (port_ != nullptr) port_->FreeNotification(this);
  RetrieveEvents();
  UpdateSignalValue();
}

void TComSignal::Loaded() {
  TComponent::Loaded();
  RetrieveEvents();
  UpdateSignalValue();
  UpdateColor();
}

void TComSignal::Notification(TComponent* component, TOperation operation) {
  TComponent::Notification(component, operation);
  if (operation != opRemove) return;
  if (component == port_) {
    // The port is going: its events go with it, nothing to put back.
    hooked_any_ = false;
    port_->RemoveFreeNotification(this);
    port_ = nullptr;
    timer_->Stop();
    SetSignalValue(false);
  }
  if (component == control_) {
    control_ = nullptr;
  }
}

void TComSignal::RetrieveEvents() {
  if (Loading() || Designing() || port_ == nullptr || hooked_any_) return;
  hooked_ = signal_;
  hooked_any_ = true;
  saved_after_open_ = port_->AfterOpen();
  port_->SetAfterOpen(TOpenCloseEvent(this, &TComSignal::HookAfterOpen));
  saved_after_close_ = port_->AfterClose();
  port_->SetAfterClose(TOpenCloseEvent(this, &TComSignal::HookAfterClose));
  const SignalInfo info = Info(hooked_);
  switch (info.kind) {
    case Kind::kNone:
      break;
    case Kind::kPulse:
      saved_pulse_ = port_->OnEvent(*info.event);
      port_->SetOnEvent(*info.event, TNotifyEvent(this, &TComSignal::HookNotify));
      break;
    case Kind::kLineError:
      saved_line_error_ = port_->OnLineError();
      port_->SetOnLineError(TLineErrorEvent(this, &TComSignal::HookLineError));
      break;
    case Kind::kTx:
      saved_before_write_ = port_->BeforeWrite();
      port_->SetBeforeWrite(TReadWriteEvent(this, &TComSignal::HookBeforeWrite));
      saved_after_write_ = port_->AfterWrite();
      port_->SetAfterWrite(TReadWriteEvent(this, &TComSignal::HookAfterWrite));
      break;
    case Kind::kModem:
      saved_modem_ = port_->OnEvent(*info.event);
      port_->SetOnEvent(*info.event, TNotifyEvent(this, &TComSignal::HookModem));
      break;
  }
}

void TComSignal::Unchain(const TComSignal& removed) {
  if (removed.port_ != port_) return;
  auto take = [](auto& mine, const auto& hook, const auto& replacement) {
    if (mine == hook) mine = replacement;
  };
  TComSignal& r = const_cast<TComSignal&>(removed);
  take(saved_after_open_, TOpenCloseEvent(&r, &TComSignal::HookAfterOpen), r.saved_after_open_);
  take(saved_after_close_, TOpenCloseEvent(&r, &TComSignal::HookAfterClose), r.saved_after_close_);
  take(saved_before_write_, TReadWriteEvent(&r, &TComSignal::HookBeforeWrite),
       r.saved_before_write_);
  take(saved_after_write_, TReadWriteEvent(&r, &TComSignal::HookAfterWrite), r.saved_after_write_);
  take(saved_line_error_, TLineErrorEvent(&r, &TComSignal::HookLineError), r.saved_line_error_);
  take(saved_pulse_, TNotifyEvent(&r, &TComSignal::HookNotify), r.saved_pulse_);
  take(saved_modem_, TNotifyEvent(&r, &TComSignal::HookModem), r.saved_modem_);
}

void TComSignal::RestoreEvents() {
  if (!Designing() && port_ != nullptr && hooked_any_) {
    // Indicators hooked later that chain to this one take over what this one had saved, so no
    // reference to it is left behind whatever the order of removal.
    for (TComSignal* other : Indicators()) {
      if (other != this && other->hooked_any_) other->Unchain(*this);
    }
    if (port_->AfterOpen() == TOpenCloseEvent(this, &TComSignal::HookAfterOpen)) {
      port_->SetAfterOpen(saved_after_open_);
    }
    if (port_->AfterClose() == TOpenCloseEvent(this, &TComSignal::HookAfterClose)) {
      port_->SetAfterClose(saved_after_close_);
    }
    const SignalInfo info = Info(hooked_);  // the member that was hooked
    switch (info.kind) {
      case Kind::kNone:
        break;
      case Kind::kPulse:
        if (port_->OnEvent(*info.event) == TNotifyEvent(this, &TComSignal::HookNotify)) {
          port_->SetOnEvent(*info.event, saved_pulse_);
        }
        break;
      case Kind::kLineError:
        if (port_->OnLineError() == TLineErrorEvent(this, &TComSignal::HookLineError)) {
          port_->SetOnLineError(saved_line_error_);
        }
        break;
      case Kind::kTx:
        if (port_->BeforeWrite() == TReadWriteEvent(this, &TComSignal::HookBeforeWrite)) {
          port_->SetBeforeWrite(saved_before_write_);
        }
        if (port_->AfterWrite() == TReadWriteEvent(this, &TComSignal::HookAfterWrite)) {
          port_->SetAfterWrite(saved_after_write_);
        }
        break;
      case Kind::kModem:
        if (port_->OnEvent(*info.event) == TNotifyEvent(this, &TComSignal::HookModem)) {
          port_->SetOnEvent(*info.event, saved_modem_);
        }
        break;
    }
  }
  hooked_any_ = false;
  saved_after_open_ = nullptr;
  saved_after_close_ = nullptr;
  saved_before_write_ = nullptr;
  saved_after_write_ = nullptr;
  saved_pulse_ = nullptr;
  saved_modem_ = nullptr;
  saved_line_error_ = nullptr;
}

void TComSignal::StartTimer() {
  timer_->Stop();
  timer_->Start();
}

void TComSignal::UpdateSignalValue() {
  bool value = false;
  if (port_ != nullptr && port_->Active()) {
    if (const auto status = Info(signal_).status) value = port_->ModemStatus().Contains(*status);
  }
  SetSignalValue(value);
}

void TComSignal::SetSignalValue(bool value) {
  if (value == value_) return;
  value_ = value;
  UpdateColor();
  if (on_signal_) on_signal_(*this);
}

void TComSignal::UpdateColor() {
  if (control_ != nullptr) control_->SetColor(value_ ? color_on_ : color_off_);
}

void TComSignal::OnTimer() {
  if (signal_ == siTxChar && writing_) return;
  timer_->Stop();
  SetSignalValue(false);
}

void TComSignal::HookNotify(TComponent& sender) {
  SetSignalValue(true);
  StartTimer();
  if (saved_pulse_) saved_pulse_(sender);
}

void TComSignal::HookLineError(TComponent& sender, TLineErrors errors) {
  SetSignalValue(true);
  StartTimer();
  if (saved_line_error_) saved_line_error_(sender, errors);
}

void TComSignal::HookBeforeWrite(TComponent& sender, const void* buffer, std::int32_t length,
                                 bool wait) {
  SetSignalValue(true);
  writing_ = true;
  StartTimer();
  if (saved_before_write_) saved_before_write_(sender, buffer, length, wait);
}

void TComSignal::HookAfterWrite(TComponent& sender, const void* buffer, std::int32_t length,
                                bool wait) {
  writing_ = false;
  if (saved_after_write_) saved_after_write_(sender, buffer, length, wait);
}

void TComSignal::HookModem(TComponent& sender) {
  UpdateSignalValue();
  if (saved_modem_) saved_modem_(sender);
}

void TComSignal::HookAfterOpen(TCustomComPort& port) {
  UpdateSignalValue();
  if (saved_after_open_) saved_after_open_(port);
}

void TComSignal::HookAfterClose(TCustomComPort& port) {
  UpdateSignalValue();
  if (saved_after_close_) saved_after_close_(port);
}

}  // namespace korvalesen
