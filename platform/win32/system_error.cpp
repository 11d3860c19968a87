#include "platform/win32/system_error.h"

#include <windows.h>

#include <string>

#include "platform/win32/wide_texts.h"

namespace korvalesen::platform {

SysError LastWindowsError() {
  return WindowsError(GetLastError());
}

SysError WindowsError(unsigned long code) {
  // The system's text whole, however long, in the system's language.
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, code, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::wstring message(text == nullptr ? L"" : text, length);
  LocalFree(text);
  while (!message.empty() && (message.back() == L'\n' || message.back() == L'\r')) {
    message.pop_back();
  }
  return SysError(static_cast<int>(code), SystemText1252(message));
}

}  // namespace korvalesen::platform
