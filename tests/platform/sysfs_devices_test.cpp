#include "platform/linux/sysfs_devices.h"

#include <gtest/gtest.h>

#include "tests/platform/sysfs_tree.h"

namespace korvalesen::platform {
namespace {

class SysfsFixture : public ::testing::Test, protected testing::SysfsTree {};

TEST_F(SysfsFixture, ListsRealSerialPortsInNaturalOrder) {
  Uart("ttyS0", "4");
  Uart("ttyS1", "0");  // registered by the 8250 driver without hardware
  Uart("ttyS10", "4");
  Uart("ttyS2", "4");
  VirtualTty("tty0");
  VirtualTty("ptmx");
  UsbDevice("1-2", "0403", "6001", "A50285BI", {"ttyUSB0"});
  SysfsDevices devices(Root());
  EXPECT_EQ(devices.SerialPortNames(),
            (std::vector<std::string>{"ttyS0", "ttyS2", "ttyS10", "ttyUSB0"}));
}

TEST_F(SysfsFixture, NamesAdaptersAsTheirWindowsDriverDoesAndFindsTheirPorts) {
  UsbDevice("1-2", "0403", "6001", "A50285BI", {"ttyUSB1"});
  UsbDevice("1-3", "0403", "6001", "FT0000XY", {});                 // no tty bound
  UsbDevice("1-4", "2341", "0043", "85735313", {"ttyACM0"}, true);  // another vendor
  UsbDevice("1-5", "0403", "6010", "FT2232", {"ttyUSB2", "ttyUSB3"});
  SysfsDevices devices(Root());
  const std::vector<std::string> names = devices.DeviceNames();
  ASSERT_GE(names.size(), 5u);
  EXPECT_EQ(names[0],
            "FTDIBUS#VID_0403+PID_6001+A50285BIA#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}");
  EXPECT_EQ(names[1],
            "FTDIBUS#VID_0403+PID_6001+FT0000XYA#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}");
  EXPECT_EQ(names[2], "USB#VID_2341&PID_0043#85735313#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
  EXPECT_EQ(names[3],
            "FTDIBUS#VID_0403+PID_6010+FT2232A#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}");
  EXPECT_EQ(names[4],
            "FTDIBUS#VID_0403+PID_6010+FT2232B#0000#{86e0d1e0-8089-11d0-9ce4-08003e301f73}");

  const platform::AdapterPortLookup found = devices.LookUpAdapterPort("A50285BIA");
  EXPECT_EQ(found.outcome, platform::AdapterPortLookup::Outcome::kFound);
  EXPECT_EQ(found.portName, "ttyUSB1");
  EXPECT_EQ(devices.LookUpAdapterPort("FT0000XYA").outcome,
            platform::AdapterPortLookup::Outcome::kValueMissing);
  EXPECT_EQ(devices.LookUpAdapterPort("A50285BIB").outcome,
            platform::AdapterPortLookup::Outcome::kKeyMissing);
  EXPECT_EQ(devices.LookUpAdapterPort("FT2232A").outcome,
            platform::AdapterPortLookup::Outcome::kKeyMissing)
      << "only the 0403:6001 adapter is looked up";
}

TEST_F(SysfsFixture, FriendlyNamesFollowThePortListWithTheUsbProductString) {
  Uart("ttyS0", "4");
  Uart("ttyS1", "0");
  VirtualTty("tty0");
  UsbDevice("1-2", "0403", "6001", "A50285BI", {"ttyUSB0"}, false, "FT232R USB UART");
  UsbDevice("1-3", "2341", "0043", "85735313", {"ttyACM0"}, true, "Arduino Uno");
  UsbDevice("1-4", "0403", "6010", "FT2232", {"ttyUSB1", "ttyUSB2"}, false, "Dual RS232-HS");
  UsbDevice("1-5", "1a86", "7523", "", {"ttyUSB3"});  // a device without a product string
  UsbDevice("1-6", "10c4", "ea60", "0001", {"ttyUSB4"}, false,
            "CP2102 Messger\xc3\xa4t \xe2\x9c\x93");
  SysfsDevices devices(Root());
  EXPECT_EQ(devices.SerialPortFriendlyNames(),
            (std::vector<std::string>{"Arduino Uno (ttyACM0)", "Serial port (ttyS0)",
                                      "FT232R USB UART (ttyUSB0)", "Dual RS232-HS (ttyUSB1)",
                                      "Dual RS232-HS (ttyUSB2)", "USB serial port (ttyUSB3)",
                                      "CP2102 Messger\xe4t ? (ttyUSB4)"}))
      << "UTF-8 of sysfs becomes Windows-1252, what the code page lacks '?'";
  EXPECT_EQ(devices.SerialPortFriendlyNames().size(), devices.SerialPortNames().size());
}

TEST_F(SysfsFixture, AMissingTreeListsNothing) {
  SysfsDevices devices(Root() / "absent");
  EXPECT_TRUE(devices.SerialPortNames().empty());
  EXPECT_TRUE(devices.SerialPortFriendlyNames().empty());
  EXPECT_TRUE(devices.DeviceNames().empty());
  EXPECT_EQ(devices.LookUpAdapterPort("A50285BIA").outcome,
            platform::AdapterPortLookup::Outcome::kKeyMissing);
}

TEST(NaturalLess, ComparesDigitRunsAsNumbers) {
  EXPECT_TRUE(NaturalLess("ttyS2", "ttyS10"));
  EXPECT_FALSE(NaturalLess("ttyS10", "ttyS2"));
  EXPECT_TRUE(NaturalLess("ttyS9", "ttyUSB0"));
  EXPECT_TRUE(NaturalLess("1-2:1.0", "1-2:1.1"));
  EXPECT_FALSE(NaturalLess("ttyS1", "ttyS1"));
  EXPECT_TRUE(NaturalLess("ttyS", "ttyS0"));
}

}  // namespace
}  // namespace korvalesen::platform
