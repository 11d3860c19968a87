// Waits until a visible top-level window whose title begins with the given text is shown, so
// that a script can photograph the Windows build's window under Wine (scripts/window-shots.sh):
//   korvalesen-wait-window <beginning of the title> [seconds, default 60]
// Exit status 0 once it is shown, 1 when it is not shown in time, 2 on a wrong command line.

#include <windows.h>
// After windows.h, which it needs.
#include <shellapi.h>

#include <cwchar>
#include <string>

namespace {

struct Search {
  std::wstring beginning;
  bool found = false;
};

BOOL CALLBACK LookAt(HWND window, LPARAM search_address) {
  auto& search = *reinterpret_cast<Search*>(search_address);
  wchar_t title[256] = {};
  GetWindowTextW(window, title, 256);
  if (IsWindowVisible(window) && std::wstring(title).starts_with(search.beginning)) {
    search.found = true;
    return FALSE;
  }
  return TRUE;
}

}  // namespace

int main() {
  int count = 0;
  LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
  if (count < 2 || count > 3) {
    LocalFree(arguments);
    return 2;
  }
  Search search{arguments[1]};
  const DWORD limit =
      count == 3 ? static_cast<DWORD>(std::wcstoul(arguments[2], nullptr, 10)) * 1000 : 60000;
  LocalFree(arguments);
  const DWORD start = GetTickCount();
  while (GetTickCount() - start < limit) {
    EnumWindows(&LookAt, reinterpret_cast<LPARAM>(&search));
    if (search.found) return 0;
    Sleep(10);
  }
  return 1;
}
