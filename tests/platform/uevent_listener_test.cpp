#include "platform/linux/uevent_listener.h"

#include <gtest/gtest.h>
#include <linux/netlink.h>
#include <poll.h>
#include <sys/socket.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "tests/platform/uevent_fixtures.h"

namespace korvalesen::platform {
namespace {

using platform::DeviceNotice;
using platform::UniqueFd;
using Kind = DeviceNotice::Kind;
using namespace std::string_literals;

void Send(int socket, const std::string& datagram) {
  ASSERT_EQ(send(socket, datagram.data(), datagram.size(), 0),
            static_cast<ssize_t>(datagram.size()));
}

bool Readable(int socket) {
  pollfd wait{socket, POLLIN, 0};
  return poll(&wait, 1, 2000) == 1;
}

TEST(UeventListener, TakesTheNoticesOfAllWaitingDatagramsInOrder) {
  int pair[2];
  ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair), 0);
  UniqueFd feed(pair[1]);
  UeventListener listener{UniqueFd(pair[0])};
  EXPECT_TRUE(listener.Take().empty()) << "nothing waits: no blocking, no notice";

  for (const std::string& name : testing::kFtdiPlug) Send(feed.Get(), testing::Uevent(name));
  Send(feed.Get(), testing::Uevent("written_udev_tty_add"));
  // A tty message too long for any kernel event is cut by the receive and dropped whole.
  Send(feed.Get(),
       "add@/devices/x/tty/ttyBIG\0ACTION=add\0DEVPATH=/devices/x/tty/ttyBIG\0"
       "SUBSYSTEM=tty\0DEVNAME=ttyBIG\0FILL="s +
           std::string(9000, 'x') + "\0"s);
  for (const std::string& name : testing::kFtdiUnplug) Send(feed.Get(), testing::Uevent(name));
  Send(feed.Get(), testing::Uevent("recorded_tty_ttyS0_add"));

  const std::string ftdi = "USB#VID_0403&PID_6001#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  EXPECT_EQ(listener.Take(), (std::vector<DeviceNotice>{{Kind::kArrival, ftdi},
                                                        {Kind::kArrival, "ttyUSB0"},
                                                        {Kind::kRemoval, "ttyUSB0"},
                                                        {Kind::kRemoval, ftdi},
                                                        {Kind::kArrival, "ttyS0"}}));
  EXPECT_TRUE(listener.Take().empty());
}

// The kernel announces a USB device before its tty: the device's arrival waits for the tty
// below it, or for the time given, or comes before the device's removal.
class HeldArrivalTest : public ::testing::Test {
 protected:
  void SetUp() override {
    int pair[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair), 0);
    feed_ = UniqueFd(pair[1]);
    listener_.emplace(UniqueFd(pair[0]), std::chrono::milliseconds(200));
  }
  void Feed(const std::string& name) { Send(feed_.Get(), testing::Uevent(name)); }

  const std::string ftdi_ = "USB#VID_0403&PID_6001#1-2#{a5dcbf10-6530-11d2-901f-00c04fb951ed}";
  UniqueFd feed_;
  std::optional<UeventListener> listener_;
};

TEST_F(HeldArrivalTest, TheUsbDeviceArrivesWithItsTty) {
  Feed("written_ftdi_plug_1_usb_device_add");
  Feed("written_ftdi_plug_2_usb_interface_add");
  EXPECT_TRUE(listener_->Take().empty()) << "announced before its tty";
  Feed("recorded_tty_ttyS0_add");  // a tty of another device releases nothing
  EXPECT_EQ(listener_->Take(), (std::vector<DeviceNotice>{{Kind::kArrival, "ttyS0"}}));
  Feed("written_ftdi_plug_3_usb_serial_add");
  Feed("written_ftdi_plug_4_tty_add");
  EXPECT_EQ(listener_->Take(),
            (std::vector<DeviceNotice>{{Kind::kArrival, ftdi_}, {Kind::kArrival, "ttyUSB0"}}));
}

TEST_F(HeldArrivalTest, AUsbDeviceWithoutTtyArrivesAfterTheWaitOrAtItsRemoval) {
  Feed("written_ftdi_plug_1_usb_device_add");
  EXPECT_TRUE(listener_->Take().empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_EQ(listener_->Take(), (std::vector<DeviceNotice>{{Kind::kArrival, ftdi_}}));

  Feed("written_ftdi_plug_1_usb_device_add");
  Feed("written_ftdi_unplug_7_usb_device_remove");
  EXPECT_EQ(listener_->Take(),
            (std::vector<DeviceNotice>{{Kind::kArrival, ftdi_}, {Kind::kRemoval, ftdi_}}));
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  EXPECT_TRUE(listener_->Take().empty()) << "an arrival given twice";
}

// The first tty of this machine with hardware behind it, whose uevent file makes the kernel
// send a synthetic event.
std::optional<std::filesystem::path> SerialPortUeventFile() {
  namespace fs = std::filesystem;
  std::error_code error;
  for (fs::directory_iterator it("/sys/class/tty", error), end; !error && it != end;
       it.increment(error)) {
    if (fs::exists(it->path() / "device") && access((it->path() / "uevent").c_str(), W_OK) == 0) {
      return it->path() / "uevent";
    }
  }
  return std::nullopt;
}

TEST(UeventListener, TakesTheKernelsEventsAndNoOtherSocketsMessages) {
  UeventListener listener(OpenKernelUevents());
  sockaddr_nl own{};
  socklen_t length = sizeof own;
  ASSERT_EQ(getsockname(listener.Descriptor(), reinterpret_cast<sockaddr*>(&own), &length), 0);

  // Any local process may send to the listener's port: such a message is not the kernel's.
  UniqueFd other(socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC, NETLINK_KOBJECT_UEVENT));
  ASSERT_TRUE(other.Valid());
  sockaddr_nl to{};
  to.nl_family = AF_NETLINK;
  to.nl_pid = own.nl_pid;
  const std::string forged = testing::Uevent("written_ftdi_plug_4_tty_add");
  ASSERT_EQ(sendto(other.Get(), forged.data(), forged.size(), 0,
                   reinterpret_cast<const sockaddr*>(&to), sizeof to),
            static_cast<ssize_t>(forged.size()));
  ASSERT_TRUE(Readable(listener.Descriptor()));
  EXPECT_TRUE(listener.Take().empty());

  const auto uevent = SerialPortUeventFile();
  if (!uevent) GTEST_SKIP() << "no serial port whose uevent file this user may write";
  std::ofstream(*uevent) << "add\n";
  const std::string port = uevent->parent_path().filename().string();
  ASSERT_TRUE(Readable(listener.Descriptor()));
  std::vector<DeviceNotice> notices = listener.Take();
  // Other devices of the machine may announce themselves meanwhile.
  std::erase_if(notices, [&](const DeviceNotice& n) { return n.name != port; });
  EXPECT_EQ(notices, (std::vector<DeviceNotice>{{Kind::kArrival, port}}));
}

}  // namespace
}  // namespace korvalesen::platform
