#include "platform/linux/uevent.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "tests/platform/uevent_fixtures.h"

namespace korvalesen::platform {
namespace {

using platform::DeviceNotice;
using Kind = DeviceNotice::Kind;

std::optional<DeviceNotice> NoticeOfDatagram(const std::string& datagram) {
  const auto event = ParseUevent(datagram);
  return event ? NoticeOf(*event) : std::nullopt;
}

std::vector<DeviceNotice> NoticesOfFixtures(const std::vector<std::string>& names) {
  std::vector<DeviceNotice> notices;
  for (const std::string& name : names) {
    const auto event = ParseUevent(testing::Uevent(name));
    EXPECT_TRUE(event) << name << " is a kernel message";
    if (!event) continue;
    if (auto notice = NoticeOf(*event)) notices.push_back(*notice);
  }
  return notices;
}

const std::string kFtdi = "USB#VID_0403&PID_6001#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";

TEST(Uevent, ParsesTheKernelsMessage) {
  const auto event = ParseUevent(testing::Uevent("recorded_tty_ttyS0_add"));
  ASSERT_TRUE(event);
  EXPECT_EQ(event->action, "add");
  EXPECT_EQ(event->devpath, "/devices/pnp0/00:00/00:00:0/00:00:0.0/tty/ttyS0");
  EXPECT_EQ(event->Property("SUBSYSTEM"), "tty");
  EXPECT_EQ(event->Property("DEVNAME"), "ttyS0");
  EXPECT_EQ(event->Property("MAJOR"), "4");
  EXPECT_EQ(event->Property("MINOR"), "64");
  EXPECT_EQ(event->Property("MISSING"), "");
}

TEST(Uevent, SerialPortsAndUsbDevicesArriveAndGoOthersAreNoNotices) {
  EXPECT_EQ(NoticesOfFixtures({"recorded_tty_ttyS0_add", "recorded_tty_ttyS0_change",
                               "recorded_tty_ttyS0_remove"}),
            (std::vector<DeviceNotice>{{Kind::kArrival, "ttyS0"}, {Kind::kRemoval, "ttyS0"}}));
  EXPECT_EQ(NoticesOfFixtures({"recorded_tty_tty5_virtual_add", "recorded_block_loop42_add",
                               "recorded_block_loop42_remove"}),
            std::vector<DeviceNotice>{})
      << "a virtual console and a block device are no serial devices";
  EXPECT_EQ(NoticesOfFixtures(testing::kFtdiPlug),
            (std::vector<DeviceNotice>{{Kind::kArrival, kFtdi}, {Kind::kArrival, "ttyUSB0"}}));
  EXPECT_EQ(NoticesOfFixtures(testing::kFtdiUnplug),
            (std::vector<DeviceNotice>{{Kind::kRemoval, "ttyUSB0"}, {Kind::kRemoval, kFtdi}}));
}

TEST(Uevent, UdevsMessagesAreNotTaken) {
  EXPECT_FALSE(ParseUevent(testing::Uevent("written_udev_tty_add")));
}

TEST(Uevent, MalformedMessagesAreRefused) {
  const std::string good = testing::Uevent("recorded_tty_ttyS0_add");
  ASSERT_TRUE(ParseUevent(good));
  using namespace std::string_literals;
  const std::string body = "ACTION=add\0DEVPATH=/devices/x/tty/ttyS0\0SUBSYSTEM=tty\0"s;
  for (const std::string& bad : {
           ""s, "\0"s,
           "add/devices/x/tty/ttyS0\0"s + body,                  // no '@'
           "@/devices/x/tty/ttyS0\0"s + body,                    // no action
           "add@\0"s + body,                                     // no device path
           "add@devices/x/tty/ttyS0\0"s + body,                  // a relative device path
           "add@/devices/x/tty/ttyS0\0"s + body + "DEVNAME\0"s,  // an item without '='
           "add@/devices/x/tty/ttyS0\0"s + body + "=ttyS0\0"s,   // an item without key
           "remove@/devices/x/tty/ttyS0\0"s + body,              // ACTION contradicts the header
           "add@/devices/y/tty/ttyS0\0"s + body,                 // DEVPATH contradicts the header
           "add@/devices/x/tty/ttyS0\0SUBSYSTEM=tty\0"s,         // ACTION and DEVPATH missing
           good.substr(0, good.size() - 10),                     // cut in the middle of an item
       }) {
    EXPECT_FALSE(ParseUevent(bad)) << ::testing::PrintToString(bad);
  }
}

TEST(Uevent, UsbDevicesNeedAReadableProduct) {
  using namespace std::string_literals;
  const auto usb = [](const std::string& product) {
    return "add@/devices/usb1/1-4\0ACTION=add\0DEVPATH=/devices/usb1/1-4\0SUBSYSTEM=usb\0"
           "DEVTYPE=usb_device\0PRODUCT="s +
           product + "\0"s;
  };
  const auto name = [&](const std::string& product) {
    const auto notice = NoticeOfDatagram(usb(product));
    return notice ? notice->name : "none";
  };
  EXPECT_EQ(name("1a86/7523/264"),
            "USB#VID_1A86&PID_7523#1-4#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
  EXPECT_EQ(name("0/1/0"), "USB#VID_0000&PID_0001#1-4#{a5dcbf10-6530-11d2-901f-00c04fb951ed}");
  for (const char* bad : {"", "1a86", "1a86/7523", "/7523/264", "1a86//264", "xyz/7523/264",
                          "10000/7523/264", "1a86/7523x/264", "-1/7523/264"}) {
    EXPECT_EQ(name(bad), "none") << bad;
  }
  EXPECT_FALSE(NoticeOfDatagram(
      "add@/devices/x/tty/ttyS0\0ACTION=add\0DEVPATH=/devices/x/tty/ttyS0\0SUBSYSTEM=tty\0"s))
      << "a tty without a device node";
}

}  // namespace
}  // namespace korvalesen::platform
