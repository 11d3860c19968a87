// The configuration dialogs of the port, the device's stored default configuration, and
// the device control block read back into the settings.

#include <iterator>

#include "serial/com_port.h"
#include "serial/com_port_check.h"
#include "serial/dcb_tables.h"

namespace korvalesen {

namespace {

ComConfigPresenter* g_default_presenter = nullptr;

// The first member, counted from the ...Default member, whose table value is `value`; without
// one, `current`.
template <class E, class Value, std::size_t N>
E FirstMatch(const Value (&table)[N], const Value& value, E current) {
  for (std::size_t i = 0; i < N; ++i) {
    if (table[i] == value) return static_cast<E>(i);
  }
  return current;
}

}  // namespace

void SetDefaultComConfigPresenter(ComConfigPresenter* presenter) {
  g_default_presenter = presenter;
}

ComConfigPresenter* DefaultComConfigPresenter() {
  return g_default_presenter;
}

void TCustomComPort::CopyDCBFromDevice(const platform::LineSettings& dcb) {
  SetCustomBaudRate(static_cast<std::int32_t>(dcb.baud_rate));
  data_bits_ = FirstMatch(dcb::kByteSizes, dcb.byte_size, data_bits_);
  parity_ = FirstMatch(dcb::kParity, dcb.parity, parity_);
  stop_bits_ = FirstMatch(dcb::kStopBits, dcb.stop_bits, stop_bits_);
  flow_control_.dtr_ = FirstMatch(dcb::kDtr, dcb.dtr_control, flow_control_.dtr_);
  flow_control_.rts_ = FirstMatch(dcb::kRts, dcb.rts_control, flow_control_.rts_);
  flow_control_.xon_xoff_ = FirstMatch(dcb::kXOnXOff, std::pair{dcb.xon_xoff_in, dcb.xon_xoff_out},
                                       flow_control_.xon_xoff_);
  characters_.SetXOn(dcb.xon_char);
  characters_.SetXOff(dcb.xoff_char);
  characters_.SetError(dcb.error_char);
  characters_.SetEof(dcb.eof_char);
  characters_.SetEventChar(dcb.event_char);
  flow_control_.SetXOnLimit(dcb.xon_limit);
  flow_control_.SetXOffLimit(dcb.xoff_limit);
  TOptions options;
  const std::pair<bool, TOption> flags[] = {{dcb.check_parity, opCheckParity},
                                            {dcb.out_cts_flow, opOutputCTSFlow},
                                            {dcb.out_dsr_flow, opOutputDSRFlow},
                                            {dcb.dsr_sensitivity, opDSRSensitivity},
                                            {dcb.tx_continue_on_xoff, opTXContinueOnXOff},
                                            {dcb.use_error_char, opUseErrorChar},
                                            {dcb.discard_null, opDiscardNullBytes},
                                            {dcb.abort_on_error, opAbortOnError}};
  for (const auto& [set, option] : flags) {
    if (set) options.Include(option);
  }
  SetOptions(options);
}

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
  ComConfigPresenter* presenter =
      config_presenter_ != nullptr ? config_presenter_ : DefaultComConfigPresenter();
  if (presenter == nullptr) RaiseError(0, "No configuration dialog");
  return *presenter;
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
