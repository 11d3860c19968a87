// The device control block and the port's settings, both ways: the values of the port's
// enumerations in the block, member by member in their order.

#include <tuple>
#include <utility>

#include "serial/com_port.h"

namespace korvalesen {

namespace {

using platform::DtrControl;
using platform::ParityCode;
using platform::RtsControl;
using platform::StopBitsCode;

constexpr std::uint8_t kByteSizes[] = {0, 4, 5, 6, 7, 8, 9, 16, 16};
constexpr ParityCode kParity[] = {ParityCode::kNone, ParityCode::kNone, ParityCode::kOdd,
                                  ParityCode::kEven, ParityCode::kMark, ParityCode::kSpace};
constexpr StopBitsCode kStopBits[] = {StopBitsCode::kOne, StopBitsCode::kOne,
                                      StopBitsCode::kOneAndHalf, StopBitsCode::kTwo};
constexpr DtrControl kDtr[] = {DtrControl::kDisable, DtrControl::kDisable, DtrControl::kEnable,
                               DtrControl::kHandshake};
constexpr RtsControl kRts[] = {RtsControl::kDisable, RtsControl::kDisable, RtsControl::kEnable,
                               RtsControl::kHandshake, RtsControl::kToggle};
// XON/XOFF on input, on output.
constexpr std::pair<bool, bool> kXOnXOff[] = {
    {false, false}, {false, false}, {true, false}, {false, true}, {true, true}};

// The flag of each option.
constexpr std::pair<bool platform::LineSettings::*, TOption> kOptionFlags[] = {
    {&platform::LineSettings::check_parity, opCheckParity},
    {&platform::LineSettings::out_cts_flow, opOutputCTSFlow},
    {&platform::LineSettings::out_dsr_flow, opOutputDSRFlow},
    {&platform::LineSettings::dsr_sensitivity, opDSRSensitivity},
    {&platform::LineSettings::tx_continue_on_xoff, opTXContinueOnXOff},
    {&platform::LineSettings::use_error_char, opUseErrorChar},
    {&platform::LineSettings::discard_null, opDiscardNullBytes},
    {&platform::LineSettings::abort_on_error, opAbortOnError}};

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

void TCustomComPort::CopyDCB(platform::LineSettings& dcb, bool to_device) {
  if (!to_device) {
    CopyDCBFromDevice(dcb);
    return;
  }
  if (baud_rate_ != brDefault) dcb.baud_rate = static_cast<std::uint32_t>(CustomBaudRate());
  if (data_bits_ != dbDefault) dcb.byte_size = kByteSizes[data_bits_];
  if (parity_ != paDefault) dcb.parity = kParity[parity_];
  if (stop_bits_ != sbDefault) dcb.stop_bits = kStopBits[stop_bits_];
  dcb.xon_char = characters_.XOn();
  dcb.xoff_char = characters_.XOff();
  dcb.error_char = characters_.Error();
  dcb.eof_char = characters_.Eof();
  dcb.event_char = characters_.EventChar();
  if (flow_control_.DTR() != dcDefault) dcb.dtr_control = kDtr[flow_control_.DTR()];
  if (flow_control_.RTS() != rcDefault) dcb.rts_control = kRts[flow_control_.RTS()];
  if (flow_control_.XOnXOff() != xcDefault) {
    std::tie(dcb.xon_xoff_in, dcb.xon_xoff_out) = kXOnXOff[flow_control_.XOnXOff()];
  }
  dcb.xon_limit = flow_control_.XOnLimit();
  dcb.xoff_limit = flow_control_.XOffLimit();
  for (const auto& [flag, option] : kOptionFlags) dcb.*flag = options_.Contains(option);
  dcb.binary = true;
}

void TCustomComPort::CopyDCBFromDevice(const platform::LineSettings& dcb) {
  SetCustomBaudRate(static_cast<std::int32_t>(dcb.baud_rate));
  data_bits_ = FirstMatch(kByteSizes, dcb.byte_size, data_bits_);
  parity_ = FirstMatch(kParity, dcb.parity, parity_);
  stop_bits_ = FirstMatch(kStopBits, dcb.stop_bits, stop_bits_);
  flow_control_.dtr_ = FirstMatch(kDtr, dcb.dtr_control, flow_control_.dtr_);
  flow_control_.rts_ = FirstMatch(kRts, dcb.rts_control, flow_control_.rts_);
  flow_control_.xon_xoff_ =
      FirstMatch(kXOnXOff, std::pair{dcb.xon_xoff_in, dcb.xon_xoff_out}, flow_control_.xon_xoff_);
  characters_.SetXOn(dcb.xon_char);
  characters_.SetXOff(dcb.xoff_char);
  characters_.SetError(dcb.error_char);
  characters_.SetEof(dcb.eof_char);
  characters_.SetEventChar(dcb.event_char);
  flow_control_.SetXOnLimit(dcb.xon_limit);
  flow_control_.SetXOffLimit(dcb.xoff_limit);
  TOptions options;
  for (const auto& [flag, option] : kOptionFlags) {
    if (dcb.*flag) options.Include(option);
  }
  SetOptions(options);
}

}  // namespace korvalesen
