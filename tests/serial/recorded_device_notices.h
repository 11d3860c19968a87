#pragma once

// A device-notice source for the port's tests: each listener is the Linux listener over one
// end of a local datagram socket pair, and Send feeds a recorded kernel message to every open
// listener, as the kernel's multicast would. Listen fails on request.

#include <sys/socket.h>

#include <cerrno>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/linux/uevent_listener.h"
#include "tests/platform/uevent_fixtures.h"

namespace korvalesen::testing {

class RecordedDeviceNotices final : public platform::DeviceNotices {
 public:
  std::unique_ptr<platform::DeviceNoticeListener> Listen(
      std::function<void()> may_be_waiting) override {
    if (refuse) throw platform::SysError::FromErrno(EMFILE);
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0, pair) != 0) {
      throw platform::SysError::FromErrno(errno);
    }
    std::unique_ptr<Listener> listener;
    {
      std::lock_guard lock(mutex_);
      feeds_.push_back(std::make_shared<platform::UniqueFd>(pair[1]));
      listener = std::make_unique<Listener>(*this, platform::UniqueFd(pair[0]), feeds_.back());
    }
    listener->Watch(std::move(may_be_waiting));
    return listener;
  }

  // Sends the recorded message `name` (tests/platform/uevents) to every open listener; any
  // thread may send.
  void Send(const std::string& name) {
    const std::string datagram = Uevent(name);
    std::lock_guard lock(mutex_);
    for (const auto& feed : feeds_) {
      if (feed->Valid()) ::send(feed->Get(), datagram.data(), datagram.size(), 0);
    }
  }
  void Send(const std::vector<std::string>& names) {
    for (const std::string& name : names) Send(name);
  }

  // The listeners made and not destroyed yet.
  int OpenListeners() {
    std::lock_guard lock(mutex_);
    int open = 0;
    for (const auto& feed : feeds_) open += feed->Valid() ? 1 : 0;
    return open;
  }

  bool refuse = false;

 private:
  // The listener closes its feed when it is destroyed, so that OpenListeners counts it gone.
  class Listener final : public platform::DeviceNoticeListener {
   public:
    Listener(RecordedDeviceNotices& source, platform::UniqueFd socket,
             std::shared_ptr<platform::UniqueFd> feed)
        : source_(source), inner_(std::move(socket)), feed_(std::move(feed)) {}
    ~Listener() override {
      std::lock_guard lock(source_.mutex_);
      feed_->Reset();
    }
    void Watch(std::function<void()> ready) { inner_.Watch(std::move(ready)); }
    std::vector<platform::DeviceNotice> Take() override { return inner_.Take(); }

   private:
    RecordedDeviceNotices& source_;
    platform::UeventListener inner_;
    std::shared_ptr<platform::UniqueFd> feed_;
  };

  std::mutex mutex_;
  std::vector<std::shared_ptr<platform::UniqueFd>> feeds_;
};

}  // namespace korvalesen::testing
