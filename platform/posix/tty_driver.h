#pragma once

// What the termios device asks of the system's serial drivers beyond POSIX termios: any line
// rate, the UART's base rate and the drivers' interrupt counters. Each POSIX system's wing
// implements it; Linux through termios2 (platform/linux/tty_driver_rate.cpp) and the tty
// ioctls (platform/linux/tty_driver_counters.cpp).

#include <cstdint>
#include <optional>

namespace korvalesen::platform {

// Sets input and output rate; 0 on success, otherwise the errno value. A device that takes a
// rate more than 3 % away from the one asked for yields EINVAL.
int SetLineRate(int fd, std::uint32_t rate);
// The output rate now set; 0 on success, otherwise the errno value.
int GetLineRate(int fd, std::uint32_t& rate);

// The UART's base rate (its clock over 16), the highest rate it can send; none for a device
// without one (a pty, some USB drivers).
std::optional<std::uint32_t> BaseRate(int fd);

// How often each modem line has changed and each line error has occurred since the driver
// started counting; every edge counts, so none is missed between two readings.
struct LineCounters {
  int cts = 0;
  int dsr = 0;
  int dcd = 0;
  int rng = 0;
  int brk = 0;
  int frame = 0;
  int overrun = 0;
  int parity = 0;
  int buf_overrun = 0;
};

// The counters now; none when the driver keeps none.
std::optional<LineCounters> ReadLineCounters(int fd);

}  // namespace korvalesen::platform
