#pragma once

// Windows' device notices: WM_DEVICECHANGE messages of the user-interface loop's window, which
// is registered for the USB device interface class while a listener exists, and the port
// notices that a top-level window passes on.

#include <windows.h>

#include <optional>

#include "platform/device_notices.h"

namespace korvalesen::platform {

// The notice one WM_DEVICECHANGE carries: arrival (DBT_DEVICEARRIVAL) or removal
// (DBT_DEVICEREMOVECOMPLETE) of a port (DBT_DEVTYP_PORT, the port's name) or of a device
// interface (DBT_DEVTYP_DEVICEINTERFACE, the interface's name as Windows gives it,
// "\\?\USB#VID_0403&PID_6001#...#{a5dcbf10-...}"); nothing for any other event or record.
std::optional<DeviceNotice> NoticeOfDeviceChange(WPARAM event, LPARAM record);

}  // namespace korvalesen::platform
