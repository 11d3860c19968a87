// The capability queries of the open device: its property record mapped onto the sets.

#include <utility>

#include "platform/comm_properties.h"
#include "serial/com_port.h"

namespace korvalesen {

namespace {

template <class E>
using FlagTable = std::initializer_list<std::pair<std::uint32_t, E>>;

template <class E>
EnumSet<E> MapFlags(std::uint32_t flags, FlagTable<E> table) {
  EnumSet<E> set;
  for (const auto& [flag, member] : table) {
    if ((flags & flag) != 0) set.Include(member);
  }
  return set;
}

using namespace platform;

constexpr FlagTable<TBaudRate> kRateFlags = {
    {kBaud75, br75},         {kBaud110, br110},       {kBaud134_5, br134_5}, {kBaud150, br150},
    {kBaud300, br300},       {kBaud600, br600},       {kBaud1200, br1200},   {kBaud1800, br1800},
    {kBaud2400, br2400},     {kBaud4800, br4800},     {kBaud7200, br7200},   {kBaud9600, br9600},
    {kBaud14400, br14400},   {kBaud19200, br19200},   {kBaud38400, br38400}, {kBaud56000, br56000},
    {kBaud128000, br128000}, {kBaud115200, br115200}, {kBaud57600, br57600}, {kBaudUser, brCustom},
};

}  // namespace

platform::CommProperties TCustomComPort::GetCommProp() {
  CheckActive();
  return Check([&] { return device_->GetProperties(); });
}

TBaudRate TCustomComPort::GetMaxBaudRate() {
  const std::uint32_t flag = GetCommProp().max_baud;
  for (const auto& [rate_flag, rate] : kRateFlags) {
    if (rate_flag == flag) return rate;
  }
  return brDefault;
}

TBaudRates TCustomComPort::GetSettableBaudRates() {
  return MapFlags(GetCommProp().settable_baud, kRateFlags);
}

TSettableParameters TCustomComPort::GetSettableParameters() {
  return MapFlags<TSettableParameter>(GetCommProp().settable_params,
                                      {{kSettableParity, spParity},
                                       {kSettableBaud, spBaudRate},
                                       {kSettableDataBits, spDataBits},
                                       {kSettableStopBits, spStopBits},
                                       {kSettableHandshaking, spHandShaking},
                                       {kSettableParityCheck, spParityCheck},
                                       {kSettableRlsd, spRLSD}});
}

TSettableStopBits TCustomComPort::GetSettableStopBits() {
  return MapFlags<TStopBits>(GetCommProp().settable_stop_parity,
                             {{kStop1, sb1}, {kStop1_5, sb1_5}, {kStop2, sb2}});
}

TSettableParity TCustomComPort::GetSettableParity() {
  return MapFlags<TParity>(GetCommProp().settable_stop_parity, {{kParityNone, paNone},
                                                                {kParityOdd, paOdd},
                                                                {kParityEven, paEven},
                                                                {kParityMark, paMark},
                                                                {kParitySpace, paSpace}});
}

TSettableDataBits TCustomComPort::GetSettableDataBits() {
  return MapFlags<TDataBits>(GetCommProp().settable_data, {{kData5, db5},
                                                           {kData6, db6},
                                                           {kData7, db7},
                                                           {kData8, db8},
                                                           {kData16, db16},
                                                           {kData16Extended, db16x}});
}

TCapabilities TCustomComPort::GetCapabilities() {
  // The capability bits run in the order of TCapability, up to 16-bit mode.
  return TCapabilities::FromBits(GetCommProp().provider_capabilities & (kCap16BitMode * 2 - 1));
}

}  // namespace korvalesen
