// The capability queries of the open device: its property record mapped onto the sets.

#include <utility>

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

constexpr FlagTable<TBaudRate> kRateFlags = {
    {0x1, br75},         {0x2, br110},        {0x4, br134_5},     {0x8, br150},
    {0x10, br300},       {0x20, br600},       {0x40, br1200},     {0x80, br1800},
    {0x100, br2400},     {0x200, br4800},     {0x400, br7200},    {0x800, br9600},
    {0x1000, br14400},   {0x2000, br19200},   {0x4000, br38400},  {0x8000, br56000},
    {0x10000, br128000}, {0x20000, br115200}, {0x40000, br57600}, {0x10000000, brCustom},
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
  return MapFlags<TSettableParameter>(GetCommProp().settable_params, {{0x1, spParity},
                                                                      {0x2, spBaudRate},
                                                                      {0x4, spDataBits},
                                                                      {0x8, spStopBits},
                                                                      {0x10, spHandShaking},
                                                                      {0x20, spParityCheck},
                                                                      {0x40, spRLSD}});
}

TSettableStopBits TCustomComPort::GetSettableStopBits() {
  return MapFlags<TStopBits>(GetCommProp().settable_stop_parity,
                             {{0x1, sb1}, {0x2, sb1_5}, {0x4, sb2}});
}

TSettableParity TCustomComPort::GetSettableParity() {
  return MapFlags<TParity>(
      GetCommProp().settable_stop_parity,
      {{0x100, paNone}, {0x200, paOdd}, {0x400, paEven}, {0x800, paMark}, {0x1000, paSpace}});
}

TSettableDataBits TCustomComPort::GetSettableDataBits() {
  return MapFlags<TDataBits>(
      GetCommProp().settable_data,
      {{0x1, db5}, {0x2, db6}, {0x4, db7}, {0x8, db8}, {0x10, db16}, {0x20, db16x}});
}

TCapabilities TCustomComPort::GetCapabilities() {
  return TCapabilities::FromBits(GetCommProp().provider_capabilities & 0x3FF);
}

}  // namespace korvalesen
