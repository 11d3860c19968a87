#include "platform/wakeup.h"

#include <sys/eventfd.h>
#include <unistd.h>

#include <cerrno>
#include <cstdint>
#include <system_error>

namespace korvalesen::platform {

Wakeup::Wakeup() : fd_(eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {
  if (fd_ < 0) throw std::system_error(errno, std::generic_category(), "eventfd");
}

Wakeup::~Wakeup() {
  close(fd_);
}

void Wakeup::Signal() {
  const std::uint64_t one = 1;
  [[maybe_unused]] const ssize_t n = write(fd_, &one, sizeof one);
}

void Wakeup::Drain() {
  std::uint64_t count = 0;
  [[maybe_unused]] const ssize_t n = read(fd_, &count, sizeof count);
}

}  // namespace korvalesen::platform
