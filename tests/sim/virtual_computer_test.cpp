#include "sim/virtual_computer.h"

#include <gmock/gmock.h>

#include <optional>

namespace korvalesen {
namespace {

using ::testing::Contains;
using ::testing::ElementsAre;
using ::testing::Not;
using Outcome = platform::AdapterPortLookup::Outcome;

const std::string kAdapter =
    "FTDIBUS#VID_0403+PID_6001+A50285BIA#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}";

TEST(VirtualComputerTest, TheAdaptersPortCanBeFoundAndOpened) {
  sim::VirtualComputer computer;
  auto& names = computer.Names();
  ASSERT_EQ(names.DeviceNames().size(), 4u);
  EXPECT_EQ(names.DeviceNames()[1], kAdapter);
  EXPECT_THAT(names.SerialPortNames(), ElementsAre("ttyS0", "ttyUSB0"));
  const auto lookup = names.LookUpAdapterPort("A50285BIA");
  EXPECT_EQ(lookup.outcome, Outcome::kFound);
  EXPECT_EQ(lookup.portName, "ttyUSB0");
  EXPECT_TRUE(names.TestOpenExclusive(platform::DevicePath("ttyUSB0")));
  EXPECT_FALSE(names.TestOpenExclusive(platform::DevicePath("ttyS0")));  // no device behind it

  TComPort port(computer.Services());
  port.SetDeviceName(platform::DevicePath("ttyUSB0"));
  port.SetActive(true);
  EXPECT_TRUE(computer.Line().IsOpen());
  EXPECT_FALSE(names.TestOpenExclusive(platform::DevicePath("ttyUSB0")));
}

TEST(VirtualComputerTest, DeviceFaults) {
  using sim::DeviceFault;
  EXPECT_TRUE(sim::VirtualComputer(DeviceFault::kNoSerialPorts).Names().SerialPortNames().empty());
  EXPECT_THAT(sim::VirtualComputer(DeviceFault::kNoAdapter).Names().DeviceNames(),
              ElementsAre(Not(kAdapter), "ttyS0", "ttyUSB0"));
  EXPECT_EQ(
      sim::VirtualComputer(DeviceFault::kNoPortKey).Names().LookUpAdapterPort("A50285BIA").outcome,
      Outcome::kKeyMissing);
  EXPECT_EQ(
      sim::VirtualComputer(DeviceFault::kNoPortName).Names().LookUpAdapterPort("A50285BIA").outcome,
      Outcome::kValueMissing);
  sim::VirtualComputer busy(DeviceFault::kPortBusy);
  EXPECT_FALSE(busy.Names().TestOpenExclusive(platform::DevicePath("ttyUSB0")));
  // Each fault leaves the rest of the computer as it was.
  EXPECT_THAT(busy.Names().DeviceNames(), Contains(kAdapter));
  EXPECT_EQ(busy.Names().LookUpAdapterPort("A50285BIA").outcome, Outcome::kFound);
}

TEST(VirtualComputerTest, TheFaultSetterChangesTheListThePortsAlreadyUse) {
  sim::VirtualComputer computer;
  const ComPortServices services = computer.Services();
  computer.SetDeviceFault(sim::DeviceFault::kPortBusy);
  EXPECT_FALSE(services.names->TestOpenExclusive(platform::DevicePath("ttyUSB0")));
  computer.SetDeviceFault(sim::DeviceFault::kNoAdapter);
  EXPECT_TRUE(services.names->TestOpenExclusive(
      platform::DevicePath("ttyUSB0")));  // the earlier fault is gone
  EXPECT_THAT(services.names->DeviceNames(), Not(Contains(kAdapter)));
  computer.SetDeviceFault(std::nullopt);
  EXPECT_THAT(services.names->DeviceNames(), Contains(kAdapter));
}

}  // namespace
}  // namespace korvalesen
