#pragma once

// The exclusive hold of a serial device, for the port's open and its test open.

#include <string>

namespace korvalesen::platform {

// Opens the device for reading and closes it again. False when it does not exist, cannot be
// opened, or is open anywhere: in a process whose descriptors we can see (this one included),
// under the lock or the exclusive mode the serial port takes.
bool TestOpenExclusive(const std::string& device_path);

// Takes the open device for this descriptor: the lock (which also stops root, whom the
// exclusive mode does not), then the exclusive mode, before the lines are touched, so that a
// holder that uses either keeps its lines. Returns 0, or the errno of the refusal (EBUSY while
// another descriptor holds the lock).
int TakeExclusive(int fd);

}  // namespace korvalesen::platform
