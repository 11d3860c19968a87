#pragma once

// The program's AppUserModelID, the identity under which the taskbar groups and pins its
// windows. The installer gives the Start menu entry's shortcut the same System.AppUserModel.ID,
// so that pinning the running window pins that entry, which starts the program through its
// launcher in the user's results folder, and not korvalesen.exe in its install folder.

namespace korvalesen::platform {

inline constexpr wchar_t kAppUserModelId[] = KORVALESEN_APP_USER_MODEL_ID;

// Sets it for this process (SetCurrentProcessExplicitAppUserModelID); called before the first
// window is made, as Windows takes a window's identity when it is shown. False when the system
// refused it: the taskbar then takes the program's file for the identity, and the run goes on.
bool SetProgramAppUserModelId();

}  // namespace korvalesen::platform
