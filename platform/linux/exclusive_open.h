#pragma once

// The exclusive test open of a device path.

#include <string>

namespace korvalesen::platform {

// Opens the device for reading and closes it again. False when it does not exist, cannot be
// opened, or is open anywhere: in a process whose descriptors we can see (this one included),
// under the lock or the exclusive mode the serial port takes.
bool TestOpenExclusive(const std::string& device_path);

}  // namespace korvalesen::platform
