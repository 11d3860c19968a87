#pragma once

// Line rates through the kernel's termios2 interface, which takes any rate (BOTHER). Kept in a
// file of its own because its kernel header clashes with glibc's <termios.h>.

#include <cstdint>

namespace korvalesen::platform::linux_tty {

// Sets input and output rate; 0 on success, otherwise the errno value. A device that takes a
// rate more than 3 % away from the one asked for yields EINVAL.
int SetLineRate(int fd, std::uint32_t rate);
// The output rate now set; 0 on success, otherwise the errno value.
int GetLineRate(int fd, std::uint32_t& rate);

}  // namespace korvalesen::platform::linux_tty
