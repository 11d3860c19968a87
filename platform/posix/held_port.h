#pragma once

// The descriptor of the port search's successful test open, kept for the port's open of the
// same device. A run then opens the tty once: each open of a tty whose kept rate is not 0
// raises DTR and RTS before any call of ours, a pulse on the board's reset line; and no other
// program can take the port between the search and the open, since the kept descriptor holds
// the lock and the exclusive mode. A descriptor that is not taken within kHeldPortLimit, or
// that another hold or the open of another device replaces, is closed with the rate left at
// 0 (KeepRateZero).

#include <sys/types.h>

#include <chrono>
#include <string>

#include "platform/posix/unique_fd.h"

namespace korvalesen::platform {

inline constexpr std::chrono::milliseconds kHeldPortLimit{2000};

// Keeps `fd`, the open device `device` at `path`, in place of the one kept before.
void HoldPort(UniqueFd fd, const std::string& path, dev_t device);

// The kept descriptor when it is of `path`, still the device that `path` names and not hung
// up; otherwise an invalid one. Either way nothing stays kept.
UniqueFd TakeHeldPort(const std::string& path);

// Closes the kept descriptor, if any.
void ReleaseHeldPort();

}  // namespace korvalesen::platform
