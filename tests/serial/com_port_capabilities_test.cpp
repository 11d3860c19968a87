// The capability queries of the port over the virtual serial line, and the mapping of the
// property record onto the sets.
#include <gtest/gtest.h>

#include "tests/serial/virtual_port.h"

namespace korvalesen {
namespace {

class ComPortCapabilitiesTest : public ::testing::Test, public testing::VirtualPort {};

TEST_F(ComPortCapabilitiesTest, TheVirtualLineReportsWhatItTakes) {
  port->BufferSizes().SetInput(64000);
  port->Open();
  EXPECT_EQ(port->GetMaxBaudRate(), brCustom);
  const TBaudRates rates = port->GetSettableBaudRates();
  for (TBaudRate rate : {br75,    br110,   br134_5, br150,    br300,    br600,   br1200,
                         br1800,  br2400,  br4800,  br7200,   br9600,   br14400, br19200,
                         br38400, br56000, br57600, br115200, br128000, brCustom}) {
    EXPECT_TRUE(rates.Contains(rate)) << int{rate};
  }
  // No rate flag stands for these: they are set as custom rates.
  for (TBaudRate rate : {brDefault, br50, br2000, br3600, br10400, br15625, br28800, br256000}) {
    EXPECT_FALSE(rates.Contains(rate)) << int{rate};
  }
  EXPECT_EQ(port->GetSettableDataBits(), (TSettableDataBits{db5, db6, db7, db8}));
  EXPECT_EQ(port->GetSettableParity(), (TSettableParity{paNone, paOdd, paEven, paMark, paSpace}));
  EXPECT_EQ(port->GetSettableStopBits(), (TSettableStopBits{sb1, sb1_5, sb2}));
  EXPECT_EQ(port->GetSettableParameters(),
            (TSettableParameters{spParity, spBaudRate, spDataBits, spStopBits, spHandShaking,
                                 spParityCheck}));
  EXPECT_EQ(port->GetCapabilities(),
            (TCapabilities{caDtrDsr, caRtsCts, caRLSD, caParityCheck, caXOnXOff, caSettableXChar,
                           caTotalTimeouts, caIntervalTimeouts, caSpecialChars}));
  EXPECT_EQ(port->BufferSizes().GetCurrentInput(), 64000);
  EXPECT_EQ(port->BufferSizes().GetCurrentOutput(), 2048);
  EXPECT_EQ(port->GetCommProp().packet_length, 64);
}

TEST_F(ComPortCapabilitiesTest, EverySetMemberThatIsReportedCanBeSet) {
  port->Open();
  for (TDataBits bits : {db5, db6, db7, db8}) {
    ASSERT_TRUE(port->GetSettableDataBits().Contains(bits));
    port->SetDataBits(bits);
    for (TParity parity : {paNone, paOdd, paEven, paMark, paSpace}) port->SetParity(parity);
  }
  port->SetDataBits(db5);
  port->SetStopBits(sb1_5);  // with 5 data bits, the one size a UART sends it with
  EXPECT_EQ(line.Settings().stop_bits, platform::StopBitsCode::kOneAndHalf);
  port->SetStopBits(sb2);
  port->SetCustomBaudRate(250000);
  EXPECT_EQ(line.Settings().baud_rate, 250000u);
}

TEST_F(ComPortCapabilitiesTest, AClosedPortAnswersNone) {
  const std::string closed = "0 Can't perform this operation on a closed port";
  EXPECT_EQ(ErrorText([&] { port->GetMaxBaudRate(); }), closed);
  EXPECT_EQ(ErrorText([&] { port->GetCapabilities(); }), closed);
  EXPECT_EQ(ErrorText([&] { port->BufferSizes().GetMaxInput(); }), closed);
}

TEST_F(ComPortCapabilitiesTest, AnUnpluggedDeviceRaisesWithTheSystemsError) {
  port->Open();
  line.Unplug();
  EXPECT_EQ(ErrorText([&] { port->GetSettableParity(); }), "5 Input/output error");
}

}  // namespace
}  // namespace korvalesen
