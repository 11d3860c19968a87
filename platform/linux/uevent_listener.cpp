#include "platform/linux/uevent_listener.h"

#include <linux/netlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <string_view>

#include "platform/linux/uevent.h"
#include "platform/posix/errno_error.h"

namespace korvalesen::platform {

namespace {

// The kernel's multicast group of NETLINK_KOBJECT_UEVENT (udev's is 2).
constexpr unsigned kKernelGroup = 1;

// The kernel's device events are at most a few kilobytes (UEVENT_BUFFER_SIZE is 2048 for the
// properties); a larger datagram is cut and dropped.
constexpr std::size_t kDatagramSize = 8192;

}  // namespace

void UeventListener::Watch(std::function<void()> ready) {
  due_timer_ = platform::InstalledUserInterfaceLoop().MakeTimer(
      tty_wait_, platform::UserInterfaceLoop::Repeat::kSingleShot, ready);
  watch_ = platform::InstalledUserInterfaceLoop().WatchReadable(socket_.Get(), std::move(ready));
}

void UeventListener::Release(const Uevent* event, std::vector<platform::DeviceNotice>& notices) {
  const auto now = std::chrono::steady_clock::now();
  std::erase_if(held_, [&](HeldArrival& held) {
    const bool below = event != nullptr && event->devpath.starts_with(held.devpath + "/");
    const bool same = event != nullptr && event->devpath == held.devpath;
    if (!below && !same && now < held.due) return false;
    notices.push_back(std::move(held.notice));
    return true;
  });
}

std::vector<platform::DeviceNotice> UeventListener::Take() {
  std::vector<platform::DeviceNotice> notices;
  std::array<char, kDatagramSize> buffer;
  for (;;) {
    sockaddr_nl sender{};
    iovec part{buffer.data(), buffer.size()};
    msghdr message{};
    message.msg_name = &sender;
    message.msg_namelen = sizeof sender;
    message.msg_iov = &part;
    message.msg_iovlen = 1;
    const ssize_t length = recvmsg(socket_.Get(), &message, MSG_DONTWAIT);
    if (length < 0) {
      if (errno == EINTR) continue;
      // The kernel drops events while the socket's queue is full and says so once; the events
      // after the gap come as usual.
      if (errno == ENOBUFS) continue;
      if (errno == EAGAIN || errno == EWOULDBLOCK) break;
      // A socket that fails would stay readable and wake the loop again and again.
      const int error = errno;
      if (watch_) watch_->Stop();
      platform::ThrowErrno(error);
    }
    if ((message.msg_flags & MSG_TRUNC) != 0) continue;
    const bool from_other_netlink_socket = message.msg_namelen >= sizeof sender &&
                                           sender.nl_family == AF_NETLINK && sender.nl_pid != 0;
    if (from_other_netlink_socket) continue;
    const auto event =
        ParseUevent(std::string_view(buffer.data(), static_cast<std::size_t>(length)));
    if (!event) continue;
    auto notice = NoticeOf(*event);
    if (!notice) continue;
    const bool usb_device = event->Property("SUBSYSTEM") == "usb";
    if (usb_device && notice->kind == platform::DeviceNotice::Kind::kArrival) {
      held_.push_back(
          {event->devpath, std::move(*notice), std::chrono::steady_clock::now() + tty_wait_});
      continue;
    }
    // A tty's arrival releases its USB device's; a removal, the removed device's.
    Release(&*event, notices);
    notices.push_back(std::move(*notice));
  }
  Release(nullptr, notices);
  if (due_timer_) {
    if (held_.empty()) {
      due_timer_->Stop();
    } else {
      const auto first =
          std::min_element(held_.begin(), held_.end(), [](const auto& a, const auto& b) {
            return a.due < b.due;
          })->due;
      due_timer_->SetInterval(std::max(
          std::chrono::milliseconds(1),
          std::chrono::ceil<std::chrono::milliseconds>(first - std::chrono::steady_clock::now())));
      due_timer_->Start();
    }
  }
  return notices;
}

platform::UniqueFd OpenKernelUevents() {
  platform::UniqueFd socket(
      ::socket(AF_NETLINK, SOCK_DGRAM | SOCK_CLOEXEC | SOCK_NONBLOCK, NETLINK_KOBJECT_UEVENT));
  if (!socket.Valid()) platform::ThrowErrno(errno);
  sockaddr_nl address{};
  address.nl_family = AF_NETLINK;
  address.nl_groups = kKernelGroup;
  if (bind(socket.Get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
    platform::ThrowErrno(errno);
  }
  return socket;
}

std::unique_ptr<platform::DeviceNoticeListener> KernelUevents::Listen(
    std::function<void()> may_be_waiting) {
  auto listener = std::make_unique<UeventListener>(OpenKernelUevents());
  listener->Watch(std::move(may_be_waiting));
  return listener;
}

DeviceNotices& SystemDeviceNotices() {
  static KernelUevents notices;
  return notices;
}

}  // namespace korvalesen::platform
