#pragma once

// Which line settings a comm device takes at all, the same rule for every device. What one
// driver keeps of them is found out only by applying them.

#include "platform/comm_device.h"

namespace korvalesen::platform {

// 0 when a device may take the settings, otherwise the errno value of the refusal (EINVAL):
// binary mode off, a rate of 0, a byte of fewer than 5 or more than 8 bits, or one and a half
// stop bits with other than 5 data bits.
int LineSettingsError(const LineSettings& settings);

}  // namespace korvalesen::platform
