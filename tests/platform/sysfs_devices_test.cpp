#include "platform/linux/sysfs_devices.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "tests/support/temporary_directory.h"

namespace korvalesen {
namespace {

namespace fs = std::filesystem;

// A sysfs tree as the kernel lays it out for USB serial adapters and on-board UARTs.
class SysfsFixture : public ::testing::Test {
 protected:
  fs::path Root() const { return directory_.path(); }

  void Attribute(const fs::path& dir, const std::string& name, const std::string& value) {
    fs::create_directories(dir);
    std::ofstream(dir / name) << value << "\n";
  }
  void Link(const fs::path& link, const fs::path& target) {
    fs::create_directories(link.parent_path());
    fs::create_directory_symlink(target, link);
  }
  // A USB device at bus path `port` (such as "1-2") with one interface per tty (empty: none).
  void UsbDevice(const std::string& port, const std::string& vendor, const std::string& product,
                 const std::string& serial, const std::vector<std::string>& ttys,
                 bool acm = false) {
    const fs::path device = Root() / "devices/pci0000:00/0000:00:14.0/usb1" / port;
    Attribute(device, "idVendor", vendor);
    Attribute(device, "idProduct", product);
    if (!serial.empty()) Attribute(device, "serial", serial);
    Link(Root() / "bus/usb/devices" / port, device);
    for (std::size_t i = 0; i < std::max<std::size_t>(ttys.size(), 1); ++i) {
      const std::string name = port + ":1." + std::to_string(i);
      const fs::path interface = device / name;
      Attribute(interface, "bInterfaceNumber", "0" + std::to_string(i));
      Link(Root() / "bus/usb/devices" / name, interface);
      if (i >= ttys.size() || ttys[i].empty()) continue;
      const fs::path tty =
          acm ? interface / "tty" / ttys[i] : interface / ttys[i] / "tty" / ttys[i];
      Attribute(tty, "dev", "188:0");
      Link(tty / "device", acm ? interface : interface / ttys[i]);
      Link(Root() / "class/tty" / ttys[i], tty);
    }
  }
  void Uart(const std::string& name, const std::string& type) {
    const fs::path tty = Root() / "devices/pnp0/00:04/tty" / name;
    Attribute(tty, "type", type);
    Link(tty / "device", Root() / "devices/pnp0/00:04");
    Link(Root() / "class/tty" / name, tty);
  }
  void VirtualTty(const std::string& name) {
    const fs::path tty = Root() / "devices/virtual/tty" / name;
    Attribute(tty, "dev", "4:1");
    Link(Root() / "class/tty" / name, tty);
  }

  testing::TemporaryWorkingDirectory directory_;
};

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
  EXPECT_EQ(devices.LookUpAdapterPort("FT2232A").outcome, platform::AdapterPortLookup::Outcome::kKeyMissing)
      << "only the 0403:6001 adapter is looked up";
}

TEST_F(SysfsFixture, AMissingTreeListsNothing) {
  SysfsDevices devices(Root() / "absent");
  EXPECT_TRUE(devices.SerialPortNames().empty());
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
}  // namespace korvalesen
