#pragma once

// The error of the last failed Windows call: its code and the system's text for it.

#include "platform/comm_device.h"

namespace korvalesen::platform {

SysError LastWindowsError();
// The error of a given Windows error code.
SysError WindowsError(unsigned long code);

}  // namespace korvalesen::platform
