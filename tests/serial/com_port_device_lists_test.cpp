#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/linux/sysfs_devices.h"
#include "serial/com_port.h"
#include "sim/recording_priority.h"
#include "sim/virtual_serial_line.h"
#include "tests/platform/sysfs_tree.h"

namespace korvalesen {
namespace {

class ComPortDeviceListTest : public ::testing::Test, protected testing::SysfsTree {
 protected:
  sim::VirtualDevices devices_;
  sim::RecordingPriority priority_;
};

TEST_F(ComPortDeviceListTest, SerialPortsAndTheirFriendlyNamesAreAppendedFromSysfs) {
  UsbDevice("1-2", "0403", "6001", "A50285BI", {"ttyUSB0"}, false, "FT232R USB UART");
  UsbDevice("1-3", "2341", "0043", "85735313", {"ttyACM0"}, true, "Arduino Uno");
  Uart("ttyS0", "4");
  Uart("ttyS1", "0");
  VirtualTty("tty0");
  platform::SysfsDevices names(Root());
  TComPort port({&devices_, &names, &priority_});

  std::vector<std::string> list = {"kept"};
  port.EnumComDevices(list);
  EXPECT_EQ(list, (std::vector<std::string>{"kept", "ttyACM0", "ttyS0", "ttyUSB0"}))
      << "the serial ports among the device names, not the adapters' own names";
  port.EnumComDevices(list);
  EXPECT_EQ(list.size(), 7u) << "appended again, not cleared";

  std::vector<std::string> friendly = {"kept"};
  port.EnumComFriendlyNames(friendly);
  EXPECT_EQ(friendly,
            (std::vector<std::string>{"kept", "Arduino Uno (ttyACM0)", "Serial port (ttyS0)",
                                      "FT232R USB UART (ttyUSB0)"}));
  EXPECT_FALSE(port.Active()) << "no open port needed";
}

TEST_F(ComPortDeviceListTest, AMissingSysfsAppendsNothingAndRaisesNothing) {
  platform::SysfsDevices names(Root() / "absent");
  TComPort port({&devices_, &names, &priority_});
  std::vector<std::string> list = {"kept"};
  EXPECT_NO_THROW(port.EnumComDevices(list));
  EXPECT_NO_THROW(port.EnumComFriendlyNames(list));
  EXPECT_EQ(list, std::vector<std::string>{"kept"});
}

TEST_F(ComPortDeviceListTest, ShortDeviceNameStripsOnePathPrefix) {
  platform::SysfsDevices names(Root());
  TComPort port({&devices_, &names, &priority_});
  EXPECT_EQ(port.ShortDeviceName(), "COM1");
  const std::pair<const char*, const char*> cases[] = {
      {"\\\\.\\COM3", "COM3"},        {"/dev/ttyUSB0", "ttyUSB0"},
      {"ttyUSB0", "ttyUSB0"},         {"\\\\.\\", ""},
      {"/devices/x", "/devices/x"},   {"/dev", "/dev"},
      {"\\\\?\\COM3", "\\\\?\\COM3"}, {"\\\\.\\/dev/ttyS0", "/dev/ttyS0"},
  };
  for (const auto& [name, short_name] : cases) {
    port.SetDeviceName(name);
    EXPECT_EQ(port.ShortDeviceName(), short_name) << name;
  }
}

}  // namespace
}  // namespace korvalesen
