#pragma once

// The user-interface loop on Windows: a message-only window (HWND_MESSAGE) of the
// user-interface thread. A posted call is a message posted to that window; a timer is a
// SetTimer of that window. So both run wherever the thread dispatches its messages: in
// GetMessage loops, in PeekMessage pumps and inside MessageBox and other modal loops.

#include <windows.h>

namespace korvalesen::platform {

// Makes the window on the calling thread and installs the loop; later calls do nothing.
// Raises SysError when Windows refuses the window.
void InstallWin32UserInterfaceLoop();

// The loop's message-only window; nullptr before the install.
HWND UserInterfaceLoopWindow();

// Device notices reach the loop's window when it is registered for them (device interfaces);
// notices of ports are broadcast to top-level windows only, and a top-level window of the
// program hands its WM_DEVICECHANGE on here so that they are delivered too.
void PassDeviceChange(WPARAM event, LPARAM record);

}  // namespace korvalesen::platform
