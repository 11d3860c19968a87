#pragma once

// The exclusive hold of a serial device, for the port's open and its test open.

#include <string>

#include "platform/posix/unique_fd.h"

namespace korvalesen::platform {

// Opens the device, takes it as the port does (TakeExclusive) and drops DTR and RTS. False
// when it does not exist, cannot be opened, or is open anywhere: in a process whose
// descriptors we can see (this one included), under the lock or the exclusive mode the serial
// port takes. The descriptor is kept for the port's open of the same device (held_port.h); a
// descriptor kept by an earlier test open is closed first.
bool TestOpenExclusive(const std::string& device_path);

// Takes the open device for this descriptor: the lock (which also stops root, whom the
// exclusive mode does not), then the exclusive mode, before the lines are touched, so that a
// holder that uses either keeps its lines. Returns 0, or the errno of the refusal (EBUSY while
// another descriptor holds the lock).
int TakeExclusive(int fd);

// Opens the device for reading and writing, as the port and its test open both do, and takes
// it (TakeExclusive). An invalid descriptor when either fails, with the errno in `error`.
UniqueFd OpenExclusive(const std::string& device_path, int& error);

// Leaves the tty's rate at 0 (B0) before its close. A tty keeps its settings for the next open
// where the driver does so, and an open of a tty whose kept rate is not 0 raises DTR and RTS
// before any call of ours: a pulse on the board's reset line. Best effort: the device may be
// gone, and the close goes on either way.
void KeepRateZero(int fd);

}  // namespace korvalesen::platform
