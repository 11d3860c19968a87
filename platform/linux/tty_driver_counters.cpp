// The UART's base rate (TIOCGSERIAL) and the interrupt counters (TIOCGICOUNT) of Linux's
// serial drivers.

#include <linux/serial.h>
#include <sys/ioctl.h>

#include "platform/posix/tty_driver.h"

namespace korvalesen::platform {

std::optional<std::uint32_t> BaseRate(int fd) {
  serial_struct info{};
  if (ioctl(fd, TIOCGSERIAL, &info) != 0 || info.baud_base <= 0) return std::nullopt;
  return static_cast<std::uint32_t>(info.baud_base);
}

std::optional<LineCounters> ReadLineCounters(int fd) {
  serial_icounter_struct now{};
  if (ioctl(fd, TIOCGICOUNT, &now) != 0) return std::nullopt;
  return LineCounters{now.cts,   now.dsr,     now.dcd,    now.rng,        now.brk,
                      now.frame, now.overrun, now.parity, now.buf_overrun};
}

}  // namespace korvalesen::platform
