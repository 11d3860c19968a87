#include "platform/win32/system_error.h"

#include <windows.h>

#include <string>

#include "platform/win32/code_page.h"

namespace korvalesen::platform {

SysError LastWindowsError() {
  return WindowsError(GetLastError());
}

SysError WindowsError(unsigned long code) {
  wchar_t text[512] = {};
  const DWORD length =
      FormatMessageW(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code, 0,
                     text, sizeof text / sizeof text[0], nullptr);
  std::wstring message(text, length);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return SysError(static_cast<int>(code), Windows1252From(message));
}

}  // namespace korvalesen::platform
