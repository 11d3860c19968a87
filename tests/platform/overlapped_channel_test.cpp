// The overlapped request of a comm device over a pipe, where Wine runs every request as
// Windows does: a request that another thread started and waits for is cancelled from this
// one, and collected, whatever its end.

#include "platform/win32/overlapped_channel.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <chrono>
#include <future>
#include <string>

namespace korvalesen::platform {
namespace {

using namespace std::chrono_literals;

class PipePair {
 public:
  PipePair() {
    const std::wstring name =
        L"\\\\.\\pipe\\korvalesen-channel-" + std::to_wstring(GetCurrentProcessId());
    server_ = CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX | FILE_FLAG_OVERLAPPED,
                               PIPE_TYPE_BYTE | PIPE_WAIT, 1, 4096, 4096, 0, nullptr);
    client_ = CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                          FILE_FLAG_OVERLAPPED, nullptr);
  }
  ~PipePair() {
    CloseHandle(client_);
    CloseHandle(server_);
  }
  PipePair(const PipePair&) = delete;
  PipePair& operator=(const PipePair&) = delete;

  HANDLE Near() const { return server_; }
  HANDLE Far() const { return client_; }

 private:
  HANDLE server_;
  HANDLE client_;
};

TEST(OverlappedChannel, ARequestOfAnotherThreadIsCancelledAndCollected) {
  PipePair pipe;
  ASSERT_NE(pipe.Near(), INVALID_HANDLE_VALUE);
  ASSERT_NE(pipe.Far(), INVALID_HANDLE_VALUE);
  OverlappedChannel channel;
  char buffer[8] = {};
  auto reader = std::async(std::launch::async, [&] {
    channel.Started(ReadFile(pipe.Near(), buffer, sizeof buffer, nullptr, channel.Prepare()));
    return channel.Wait(pipe.Near());
  });
  ASSERT_EQ(reader.wait_for(200ms), std::future_status::timeout) << "the read ended unasked";
  channel.Cancel(pipe.Near());
  ASSERT_EQ(reader.wait_for(5s), std::future_status::ready) << "the cancel did not reach it";
  EXPECT_EQ(reader.get(), 0u);

  // The channel takes the next request; one left pending is cancelled and collected.
  channel.Started(ReadFile(pipe.Near(), buffer, sizeof buffer, nullptr, channel.Prepare()));
  DWORD written = 0;
  OVERLAPPED write{};
  ASSERT_TRUE(WriteFile(pipe.Far(), "ok", 2, &written, &write) ||
              GetLastError() == ERROR_IO_PENDING);
  EXPECT_EQ(channel.Wait(pipe.Near()), 2u);
  EXPECT_EQ(std::string(buffer, 2), "ok");

  channel.Started(ReadFile(pipe.Near(), buffer, sizeof buffer, nullptr, channel.Prepare()));
  EXPECT_FALSE(channel.Done(pipe.Near()));
  channel.CancelAndCollect(pipe.Near());
  EXPECT_TRUE(channel.Done(pipe.Near())) << "collected, the request has ended";
}

}  // namespace
}  // namespace korvalesen::platform
