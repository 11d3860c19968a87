// The exclusive test open on a pty slave: free, held by this process through the termios
// device, held by another process; and on paths that are no device.
#include "platform/posix/exclusive_open.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <stdlib.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <string>

#include "platform/comm_device.h"
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

// The lock, then the exclusive mode, then the lines, as the port's own open.
TEST(ExclusiveOpen, LocksThenExcludesThenDropsTheLines) {
  sim::ModemPty pty;
  EXPECT_TRUE(TestOpenExclusive(pty.Name()));
  EXPECT_EQ(pty.Calls(), (std::vector<std::string>{"flock", "TIOCEXCL", "TIOCMBIC DTR RTS"}));
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
