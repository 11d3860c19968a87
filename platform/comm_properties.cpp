#include "platform/comm_properties.h"

namespace korvalesen::platform {

namespace {

struct RateFlag {
  std::uint32_t flag;
  std::uint32_t rate;
};
constexpr RateFlag kRateFlags[] = {
    {kBaud75, 75},         {kBaud110, 110},       {kBaud134_5, 134},   {kBaud150, 150},
    {kBaud300, 300},       {kBaud600, 600},       {kBaud1200, 1200},   {kBaud1800, 1800},
    {kBaud2400, 2400},     {kBaud4800, 4800},     {kBaud7200, 7200},   {kBaud9600, 9600},
    {kBaud14400, 14400},   {kBaud19200, 19200},   {kBaud38400, 38400}, {kBaud56000, 56000},
    {kBaud128000, 128000}, {kBaud115200, 115200}, {kBaud57600, 57600},
};

}  // namespace

std::uint32_t SettableRateFlags(std::uint32_t highest_rate) {
  std::uint32_t flags = kBaudUser;
  for (const RateFlag& entry : kRateFlags) {
    if (entry.rate <= highest_rate) flags |= entry.flag;
  }
  return flags;
}

CommProperties SerialProperties(std::uint32_t highest_rate, bool modem_lines) {
  CommProperties p;
  p.packet_length = sizeof(CommProperties);
  p.packet_version = kPropertiesPacketVersion;
  p.service_mask = kServiceSerialComm;
  p.provider_subtype = kSubtypeRs232;
  // Custom rates are settable, so the maximum is the custom-rate flag, as drivers that take
  // any rate report it.
  p.max_baud = kBaudUser;
  p.settable_baud = SettableRateFlags(highest_rate);
  p.settable_params = kSettableParity | kSettableBaud | kSettableDataBits | kSettableStopBits |
                      kSettableHandshaking | kSettableParityCheck;
  p.settable_data = kData5 | kData6 | kData7 | kData8;
  p.settable_stop_parity = kStop1 | kStop1_5 | kStop2 | kParityNone | kParityOdd | kParityEven |
                           kParityMark | kParitySpace;
  p.provider_capabilities = kCapParityCheck | kCapXonXoff | kCapSettableXChar | kCapTotalTimeouts |
                            kCapIntervalTimeouts | kCapSpecialChars;
  if (modem_lines) p.provider_capabilities |= kCapDtrDsr | kCapRtsCts | kCapRlsd;
  return p;
}

}  // namespace korvalesen::platform
