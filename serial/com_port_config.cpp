// The configuration dialogs of the port and the device's stored default configuration.

#include "serial/com_port.h"

namespace korvalesen {

// The stored default configuration of the device; without one the device's own line state
// while the port is open, and otherwise the settings a serial tty starts with (9600 bits per
// second, 8 data bits, no parity, one stop bit, no flow control). A closed device is not
// opened to read its state: opening a tty raises DTR and RTS, which resets a board that reads
// DTR as its reset line.
platform::LineSettings TCustomComPort::DefaultConfig() {
  const std::string device = ShortDeviceName();
  if (auto stored = Check([&] { return config_store_->Load(device); })) return *stored;
  if (device_) return Check([&] { return device_->GetSettings(); });
  return platform::LineSettings{};
}

ComConfigPresenter& TCustomComPort::Presenter() {
  if (config_presenter_ == nullptr) RaiseError(0, "No configuration dialog");
  return *config_presenter_;
}

bool TCustomComPort::ConfigDialog() {
  ComConfigPresenter& presenter = Presenter();
  platform::LineSettings config = DefaultConfig();
  CopyDCB(config, true);
  if (!presenter.Present(ShortDeviceName(), config)) return false;
  CopyDCB(config, false);
  SetComDCB();
  return true;
}

bool TCustomComPort::DefaultConfigDialog() {
  ComConfigPresenter& presenter = Presenter();
  platform::LineSettings config = DefaultConfig();
  const std::string device = ShortDeviceName();
  if (!presenter.Present(device, config)) return false;
  Check([&] { config_store_->Save(device, config); });
  return true;
}

}  // namespace korvalesen
