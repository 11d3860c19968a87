// The exclusive test open on a pty slave: free, held by this process through the termios
// device, held by another process; its descriptor kept for the port's open; and on paths
// that are no device.
#include "platform/posix/exclusive_open.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "platform/comm_device.h"
#include "platform/posix/held_port.h"
#include "sim/modem_pty.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::platform {
namespace {

class ExclusiveOpenTest : public ::testing::Test {
 protected:
  void SetUp() override {
    // Only the master side is open here; the slave is free until someone opens it.
    master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_GE(master_, 0);
    ASSERT_EQ(grantpt(master_), 0);
    ASSERT_EQ(unlockpt(master_), 0);
    slave_ = ptsname(master_);
  }
  void TearDown() override {
    ReleaseHeldPort();
    if (master_ >= 0) close(master_);
  }

  int master_ = -1;
  std::string slave_;
};

TEST_F(ExclusiveOpenTest, AFreePtySlaveCanBeOpenedAndStaysFreeAfterwards) {
  EXPECT_TRUE(TestOpenExclusive(slave_));
  EXPECT_TRUE(TestOpenExclusive(slave_)) << "the test open left the device open or locked";
  EXPECT_NO_THROW(SystemCommDevices().Open(slave_, {}));
}

TEST_F(ExclusiveOpenTest, ThePortOfThisProgramIsBusyUntilItIsClosed) {
  auto device = SystemCommDevices().Open(slave_, {});
  EXPECT_FALSE(TestOpenExclusive(slave_));
  device.reset();
  EXPECT_TRUE(TestOpenExclusive(slave_));
}

TEST_F(ExclusiveOpenTest, ADeviceThatAnotherProcessHoldsOpenIsBusy) {
  int ready[2];
  int hold[2];
  ASSERT_EQ(pipe2(ready, O_CLOEXEC), 0);
  ASSERT_EQ(pipe2(hold, O_CLOEXEC), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    // A plain open, without the lock or the exclusive mode of the serial port.
    const int fd = open(slave_.c_str(), O_RDWR | O_NOCTTY);
    const char opened = fd >= 0 ? 1 : 0;
    close(hold[1]);
    [[maybe_unused]] ssize_t n = write(ready[1], &opened, 1);
    char end = 0;
    n = read(hold[0], &end, 1);  // until the parent closes its end
    _exit(0);
  }
  close(ready[1]);
  close(hold[0]);
  char opened = 0;
  ASSERT_EQ(read(ready[0], &opened, 1), 1);
  close(ready[0]);
  EXPECT_EQ(opened, 1);
  EXPECT_FALSE(TestOpenExclusive(slave_));
  close(hold[1]);
  int status = 0;
  ASSERT_EQ(waitpid(child, &status, 0), child);
  EXPECT_TRUE(TestOpenExclusive(slave_));
}

// Whether a new open file description of the device could take its lock now (by the system
// call itself, which the pty does not record as the comm layer's).
bool Lockable(const std::string& path) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  const bool locked = syscall(SYS_flock, fd, LOCK_EX | LOCK_NB) == 0;
  close(fd);
  return locked;
}

// The descriptor of the test open: kept, locked, with the lines down and the rate as it was,
// for the port's open; the port of the same device takes it over (one lock, no rate 0 that a
// USB adapter's driver would leave with a DTR pulse).
class HeldTestOpenTest : public ::testing::Test {
 protected:
  void TearDown() override { ReleaseHeldPort(); }
  sim::ModemPty pty_;
};

TEST_F(HeldTestOpenTest, ThePortOfTheSameDeviceTakesTheTestOpenOver) {
  ASSERT_TRUE(TestOpenExclusive(pty_.Name()));
  EXPECT_EQ(pty_.Calls(), (std::vector<std::string>{"flock", "TIOCEXCL", "TIOCMBIC DTR RTS"}));
  EXPECT_FALSE(Lockable(pty_.Name())) << "the kept descriptor holds the lock";
  auto device = SystemCommDevices().Open(pty_.Name(), {});
  const std::vector<std::string> calls = pty_.Calls();
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "flock"), 1) << "the port opened anew";
  EXPECT_EQ(std::count(calls.begin(), calls.end(), "tcsetattr B0"), 0);
  EXPECT_NE(std::find(calls.begin(), calls.end(), "tcsetattr raw"), calls.end());
  device.reset();
  EXPECT_EQ(pty_.Calls().back(), "tcsetattr B0");
  EXPECT_TRUE(Lockable(pty_.Name()));
}

TEST_F(HeldTestOpenTest, AKeptDescriptorThatNoPortTakesIsClosedInTime) {
  ASSERT_TRUE(TestOpenExclusive(pty_.Name()));
  std::this_thread::sleep_for(kHeldPortLimit + std::chrono::milliseconds(500));
  EXPECT_TRUE(Lockable(pty_.Name())) << "the test open still holds the device";
  EXPECT_EQ(pty_.Calls().back(), "tcsetattr B0");
}

TEST_F(HeldTestOpenTest, TheOpenOfAnotherDeviceClosesTheKeptOne) {
  ASSERT_TRUE(TestOpenExclusive(pty_.Name()));
  const int master = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(master, 0);
  ASSERT_EQ(grantpt(master), 0);
  ASSERT_EQ(unlockpt(master), 0);
  const std::string other = ptsname(master);
  auto device = SystemCommDevices().Open(other, {});
  EXPECT_TRUE(Lockable(pty_.Name()));
  EXPECT_EQ(pty_.Calls().back(), "tcsetattr B0");
  device.reset();
  close(master);
}

// A kept descriptor of a device that went away is not handed to the port.
TEST_F(ExclusiveOpenTest, APortWhoseDeviceWentAwayIsNotTakenFromTheTestOpen) {
  ASSERT_TRUE(TestOpenExclusive(slave_));
  close(master_);
  master_ = -1;
  EXPECT_THROW(SystemCommDevices().Open(slave_, {}), SysError);
}

TEST(ExclusiveOpen, PathsThatAreNoCharacterDeviceCannotBeOpened) {
  const korvalesen::testing::TempFolder folder;
  const std::filesystem::path& dir = folder.Path();
  korvalesen::testing::WriteFileBytes(dir / "ttyUSB0", "not a device");
  EXPECT_FALSE(TestOpenExclusive((dir / "ttyUSB0").string()));
  EXPECT_FALSE(TestOpenExclusive(dir.string()));
  EXPECT_FALSE(TestOpenExclusive((dir / "ttyUSB1").string()));
  EXPECT_FALSE(TestOpenExclusive(""));
}

}  // namespace
}  // namespace korvalesen::platform
