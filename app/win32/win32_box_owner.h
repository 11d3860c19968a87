#pragma once

// The window that owns the message boxes on Windows: the main window while it exists.

#include <windows.h>

namespace korvalesen {

void SetBoxOwner(HWND owner);

}  // namespace korvalesen
