#include "platform/win32/system_library.h"

#include <string>

namespace korvalesen::platform {

void RestrictDllSearchToSystem() {
  // Windows 7 has the call only with update KB2533623, hence the look-up; without it the
  // current folder at least leaves the search (SetDllDirectory with an empty text).
  using SetDirectories = BOOL(WINAPI*)(DWORD);
  const auto set_default =
      SystemFunction<SetDirectories>(GetModuleHandleW(L"kernel32.dll"), "SetDefaultDllDirectories");
  if (set_default == nullptr || !set_default(LOAD_LIBRARY_SEARCH_SYSTEM32)) SetDllDirectoryW(L"");
}

HMODULE LoadSystemLibrary(const wchar_t* name) {
  const HMODULE library = LoadLibraryExW(name, nullptr, LOAD_LIBRARY_SEARCH_SYSTEM32);
  // Windows 7 without KB2533623 knows no such flag and says ERROR_INVALID_PARAMETER: the
  // library is then named by its full path in the system folder, and its own imports are
  // searched for beside it rather than beside the program.
  if (library != nullptr || GetLastError() != ERROR_INVALID_PARAMETER) return library;
  std::wstring path(MAX_PATH, L'\0');
  const UINT length = GetSystemDirectoryW(path.data(), static_cast<UINT>(path.size()));
  if (length == 0 || length >= path.size()) return nullptr;
  path.resize(length);
  path += L'\\';
  path += name;
  return LoadLibraryExW(path.c_str(), nullptr, LOAD_WITH_ALTERED_SEARCH_PATH);
}

}  // namespace korvalesen::platform
