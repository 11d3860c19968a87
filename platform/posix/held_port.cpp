#include "platform/posix/held_port.h"

#include <sys/stat.h>
#include <termios.h>

#include <condition_variable>
#include <mutex>
#include <thread>

#include "platform/posix/exclusive_open.h"

namespace korvalesen::platform {

namespace {

void CloseWithRateZero(UniqueFd& fd) {
  if (!fd.Valid()) return;
  KeepRateZero(fd.Get());
  fd.Reset();
}

// The one kept descriptor, and a thread that closes it when its time is up. The thread runs
// from the first hold to the end of the process.
class HeldPort {
 public:
  ~HeldPort() {
    {
      std::lock_guard lock(mutex_);
      ending_ = true;
      CloseWithRateZero(fd_);
    }
    changed_.notify_all();
    if (closer_.joinable()) closer_.join();
  }

  void Hold(UniqueFd fd, const std::string& path, dev_t device) {
    {
      std::lock_guard lock(mutex_);
      CloseWithRateZero(fd_);
      fd_ = std::move(fd);
      path_ = path;
      device_ = device;
      until_ = std::chrono::steady_clock::now() + kHeldPortLimit;
      if (!closer_.joinable()) closer_ = std::thread([this] { CloseWhenDue(); });
    }
    changed_.notify_all();
  }

  UniqueFd Take(const std::string& path) {
    std::lock_guard lock(mutex_);
    UniqueFd fd = std::move(fd_);
    if (!fd.Valid()) return fd;
    struct stat named {};
    termios t{};
    // A hung-up descriptor (the adapter was pulled since) fails every tty call with EIO.
    const bool same = path == path_ && stat(path.c_str(), &named) == 0 &&
                      named.st_rdev == device_ && tcgetattr(fd.Get(), &t) == 0;
    if (!same) CloseWithRateZero(fd);
    return fd;
  }

  void Release() {
    std::lock_guard lock(mutex_);
    CloseWithRateZero(fd_);
  }

 private:
  void CloseWhenDue() {
    std::unique_lock lock(mutex_);
    while (!ending_) {
      if (!fd_.Valid()) {
        changed_.wait(lock);
      } else if (changed_.wait_until(lock, until_) == std::cv_status::timeout &&
                 std::chrono::steady_clock::now() >= until_) {
        CloseWithRateZero(fd_);
      }
    }
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  UniqueFd fd_;
  std::string path_;
  dev_t device_ = 0;
  std::chrono::steady_clock::time_point until_;
  bool ending_ = false;
  std::thread closer_;
};

HeldPort& Held() {
  static HeldPort held;
  return held;
}

}  // namespace

void HoldPort(UniqueFd fd, const std::string& path, dev_t device) {
  Held().Hold(std::move(fd), path, device);
}

UniqueFd TakeHeldPort(const std::string& path) {
  return Held().Take(path);
}

void ReleaseHeldPort() {
  Held().Release();
}

}  // namespace korvalesen::platform
