// The Windows comm device under Wine, over a pty that stands for a COM port: a helper on the
// Linux side links com41 (the device under test) and com42 (the far side) in the prefix's
// dosdevices folder to two ptys whose masters it joins.
// Where Wine stops: it shows a pty without modem lines and does not run WaitCommEvent on it
// (the line state and the event wait are tested through the component over the virtual line);
// a Linux pty keeps 8 data bits without parity whatever is set, so only the rate of the format
// is checked; and Wine opens a COM port twice although the first open shares nothing, where
// Windows refuses the second with ERROR_ACCESS_DENIED (the exclusive test open is checked on
// a file, where Wine applies the sharing mode).

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

#include "platform/comm_device.h"
#include "tests/platform/comm_input_wait.h"
#include "tests/support/temporary_directory.h"

namespace korvalesen::platform {
namespace {

using namespace std::chrono_literals;

class Win32CommDeviceTest : public ::testing::Test {
 protected:
  void SetUp() override {
    wchar_t prefix[1024] = {};
    ASSERT_NE(GetEnvironmentVariableW(L"WINEPREFIX", prefix, 1024), 0u) << "not under Wine";
    const auto unix_prefix = std::filesystem::path(prefix).string();
    // The helper is a Linux program; Wine starts it as such.
    std::string command = "/usr/bin/python3 " KORVALESEN_PTY_NULL_MODEM " " + unix_prefix +
                          "/dosdevices com41 com42 " + Unix(stop_);
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    ASSERT_TRUE(CreateProcessA(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr,
                               nullptr, &startup, &process));
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (far_ == INVALID_HANDLE_VALUE && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(20ms);
      far_ = CreateFileW(L"\\\\.\\COM42", GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                         0, nullptr);
    }
    ASSERT_NE(far_, INVALID_HANDLE_VALUE) << "the pty helper did not come up";
    COMMTIMEOUTS quick{MAXDWORD, 0, 0, 0, 0};  // far-side reads return what is there
    SetCommTimeouts(far_, &quick);
    device_ = SystemCommDevices().Open("\\\\.\\COM41", {});
    device_->SetSettings(LineSettings{});
  }

  void TearDown() override {
    device_.reset();
    if (far_ != INVALID_HANDLE_VALUE) CloseHandle(far_);
    // The helper takes the stop file away once it has removed its links. The folder that holds
    // it must live until then: a stop file removed with it unseen would leave the helper
    // running, with the test's output open, for its full 120 s.
    testing::WriteFileBytes(stop_, "stop");
    const auto end = std::chrono::steady_clock::now() + 10s;
    while (std::filesystem::exists(stop_) && std::chrono::steady_clock::now() < end) {
      std::this_thread::sleep_for(10ms);
    }
    EXPECT_FALSE(std::filesystem::exists(stop_)) << "the pty helper did not stop";
  }

  // The Linux path of a file in the prefix's drive C:, where the helper looks for it.
  static std::string Unix(const std::filesystem::path& path) {
    wchar_t prefix[1024] = {};
    GetEnvironmentVariableW(L"WINEPREFIX", prefix, 1024);
    std::string rest = path.string().substr(2);  // without "C:"
    for (char& c : rest) {
      if (c == '\\') c = '/';
    }
    return std::filesystem::path(prefix).string() + "/drive_c" + rest;
  }

  void WriteFar(const std::string& bytes) {
    DWORD written = 0;
    ASSERT_TRUE(WriteFile(far_, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
    ASSERT_EQ(written, bytes.size());
  }

  std::string ReadFar(std::size_t count) {
    std::string got;
    const auto end = std::chrono::steady_clock::now() + 5s;
    while (got.size() < count && std::chrono::steady_clock::now() < end) {
      char block[256];
      DWORD read = 0;
      if (ReadFile(far_, block, sizeof block, &read, nullptr) && read > 0) {
        got.append(block, read);
      } else {
        std::this_thread::sleep_for(5ms);
      }
    }
    return got;
  }

  testing::TempFolder folder_;
  std::filesystem::path stop_ = folder_.Path() / "stop";
  HANDLE far_ = INVALID_HANDLE_VALUE;
  std::unique_ptr<CommDevice> device_;
};

TEST_F(Win32CommDeviceTest, SettingsTimeoutsAndQueuesAreTheDevicesOwn) {
  LineSettings s = device_->GetSettings();
  EXPECT_EQ(s.baud_rate, 9600u);
  s.baud_rate = 19200;
  device_->SetSettings(s);
  EXPECT_EQ(device_->GetSettings().baud_rate, 19200u);

  const CommTimeouts timeouts{-1, 0, 0, 0, 5000};
  device_->SetTimeouts(timeouts);
  EXPECT_EQ(device_->GetTimeouts(), timeouts);
  device_->SetQueueSizes(64000, 2048);
}

TEST_F(Win32CommDeviceTest, BytesBothWaysQueueCountsPurgeAndOverlappedCompletion) {
  // A read started before the bytes come stays pending, then completes.
  unsigned char first[2] = {};
  device_->StartRead(first, 2);
  EXPECT_FALSE(device_->ReadDone());
  WriteFar("\xBA\x01");
  EXPECT_EQ(device_->WaitRead(), 2u);
  EXPECT_EQ(first[0], 0xBA);
  EXPECT_EQ(first[1], 0x01);

  WriteFar("\x02\x03\x04");
  EXPECT_EQ(WaitForInput(*device_, 3), 3u);
  device_->Purge(kPurgeRxAbort | kPurgeRxClear);
  EXPECT_EQ(device_->ClearErrors().in_queue, 0u);

  device_->StartWrite("\xA5\xAB", 2);
  EXPECT_EQ(device_->WaitWrite(), 2u);
  EXPECT_TRUE(device_->WriteDone());
  EXPECT_EQ(ReadFar(2), "\xA5\xAB");
}

// The closing thread stops the event thread's waits with a mask of 0: a wait pending then is
// cancelled (tests/platform/overlapped_channel_test.cpp shows the cancel across threads, since
// Wine runs no WaitCommEvent on a pty: it refuses with ERROR_NOT_SUPPORTED), and one that
// would start after it is refused, until a mask is set again.
TEST_F(Win32CommDeviceTest, AMaskOfZeroStopsTheWaitsUntilAMaskIsSetAgain) {
  const auto wait_code = [&] {
    auto wait = std::async(std::launch::async, [&]() -> int {
      try {
        device_->WaitEvent();
        return 0;
      } catch (const SysError& e) {
        return e.Code();
      }
    });
    if (wait.wait_for(200ms) == std::future_status::timeout) device_->SetEventMask(0);
    return wait.get();
  };
  device_->SetEventMask(kEvRxChar | kEvDsr);
  device_->SetEventMask(0);
  EXPECT_EQ(wait_code(), ERROR_OPERATION_ABORTED);
  device_->SetEventMask(kEvRxChar);
  EXPECT_NE(wait_code(), ERROR_OPERATION_ABORTED);
}

// An aborted read is over when the purge returns, so that the next read may reuse its
// request; the device goes with requests still pending.
TEST_F(Win32CommDeviceTest, AbortedRequestsAreCollectedBeforeReuseAndAtTheEnd) {
  unsigned char first[4] = {};
  device_->StartRead(first, sizeof first);
  EXPECT_FALSE(device_->ReadDone());
  device_->Purge(kPurgeRxAbort | kPurgeRxClear);

  unsigned char second[2] = {};
  device_->StartRead(second, sizeof second);
  WriteFar("\x31\x32");
  EXPECT_EQ(device_->WaitRead(), 2u);
  EXPECT_EQ(second[0], 0x31);
  EXPECT_EQ(first[0], 0) << "the aborted read took the bytes";

  unsigned char third[8] = {};
  device_->StartRead(third, sizeof third);
  device_->StartWrite("\x33", 1);
  const auto start = std::chrono::steady_clock::now();
  device_.reset();
  EXPECT_LT(std::chrono::steady_clock::now() - start, 5s);
}

}  // namespace
}  // namespace korvalesen::platform
