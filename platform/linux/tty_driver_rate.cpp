// Line rates through the kernel's termios2 interface, which takes any rate (BOTHER). Kept in a
// file of its own because its kernel header clashes with glibc's <termios.h>.

#include <asm/termbits.h>
#include <sys/ioctl.h>

#include <cerrno>
#include <cstdlib>

#include "platform/posix/tty_driver.h"

namespace korvalesen::platform {

int SetLineRate(int fd, std::uint32_t rate) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  t.c_cflag &= ~static_cast<tcflag_t>(CBAUD | (CBAUD << IBSHIFT));
  t.c_cflag |= BOTHER | (BOTHER << IBSHIFT);
  t.c_ispeed = rate;
  t.c_ospeed = rate;
  if (ioctl(fd, TCSETS2, &t) != 0) return errno;
  struct termios2 back {};
  if (ioctl(fd, TCGETS2, &back) != 0) return errno;
  const long diff = std::labs(static_cast<long>(back.c_ospeed) - static_cast<long>(rate));
  if (diff * 100 > static_cast<long>(rate) * 3) return EINVAL;
  return 0;
}

int GetLineRate(int fd, std::uint32_t& rate) {
  struct termios2 t {};
  if (ioctl(fd, TCGETS2, &t) != 0) return errno;
  rate = t.c_ospeed;
  return 0;
}

}  // namespace korvalesen::platform
