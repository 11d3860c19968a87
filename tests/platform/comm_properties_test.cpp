// The property record that the comm devices report.
#include "platform/comm_properties.h"

#include <gtest/gtest.h>

namespace korvalesen::platform {
namespace {

TEST(CommPropertiesTest, StandardRatesUpToTheHighestWithCustomRatesAlways) {
  EXPECT_EQ(SettableRateFlags(0), kBaudUser);
  EXPECT_EQ(SettableRateFlags(134), kBaudUser | kBaud75 | kBaud110 | kBaud134_5);
  const std::uint32_t uart = SettableRateFlags(115200);  // an 8250 with its 1.8432 MHz clock
  EXPECT_NE(uart & kBaud115200, 0u);
  EXPECT_NE(uart & kBaud57600, 0u);
  EXPECT_EQ(uart & kBaud128000, 0u);
  EXPECT_EQ(SettableRateFlags(UINT32_MAX), 0x1007FFFFu);
}

TEST(CommPropertiesTest, ModemLinesAddTheHandshakeCapabilities) {
  const CommProperties without = SerialProperties(UINT32_MAX, false);
  const CommProperties with = SerialProperties(UINT32_MAX, true);
  EXPECT_EQ(without.provider_capabilities & (kCapDtrDsr | kCapRtsCts | kCapRlsd), 0u);
  EXPECT_EQ(with.provider_capabilities ^ without.provider_capabilities,
            kCapDtrDsr | kCapRtsCts | kCapRlsd);
  EXPECT_EQ(with.max_baud, kBaudUser);
  EXPECT_EQ(with.settable_data, 0xF);
  EXPECT_EQ(with.settable_stop_parity, 0x1F07);
  EXPECT_EQ(with.packet_length, 64);
}

}  // namespace
}  // namespace korvalesen::platform
