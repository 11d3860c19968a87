#include "platform/win32/common_controls.h"

#include "platform/win32/system_library.h"

namespace korvalesen::platform {
namespace {

struct CommonControls {
  HMODULE library = LoadSystemLibrary(L"comctl32.dll");
  decltype(&::InitCommonControlsEx) initialize =
      SystemFunction<decltype(&::InitCommonControlsEx)>(library, "InitCommonControlsEx");
  decltype(&::SetWindowSubclass) subclass =
      SystemFunction<decltype(&::SetWindowSubclass)>(library, "SetWindowSubclass");
  decltype(&::DefSubclassProc) default_procedure =
      SystemFunction<decltype(&::DefSubclassProc)>(library, "DefSubclassProc");
};

const CommonControls& Loaded() {
  static const CommonControls controls;
  return controls;
}

}  // namespace

bool InitializeCommonControls(DWORD classes) {
  const INITCOMMONCONTROLSEX wanted{sizeof(INITCOMMONCONTROLSEX), classes};
  return Loaded().initialize != nullptr && Loaded().initialize(&wanted);
}

bool SubclassWindow(HWND window, SUBCLASSPROC procedure) {
  return Loaded().subclass != nullptr && Loaded().subclass(window, procedure, 0, 0);
}

// Reached only from a procedure that SubclassWindow installed, so the function is there.
LRESULT DefaultSubclassProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
  return Loaded().default_procedure(window, message, wparam, lparam);
}

}  // namespace korvalesen::platform
