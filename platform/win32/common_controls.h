#pragma once

// The functions of comctl32.dll that the window uses, loaded at run time: comctl32 is no
// KnownDLL, so a static import would be searched for in the program's folder. The program's
// manifest names common controls 6, and Windows applies that side-by-side redirection before
// it searches any folder, so the load finds version 6 as the import did.

#include <windows.h>
// After windows.h:
#include <commctrl.h>

namespace korvalesen::platform {

// InitCommonControlsEx for the classes given; false when comctl32 is missing.
bool InitializeCommonControls(DWORD classes);
// SetWindowSubclass and DefSubclassProc.
bool SubclassWindow(HWND window, SUBCLASSPROC procedure);
LRESULT DefaultSubclassProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam);

}  // namespace korvalesen::platform
