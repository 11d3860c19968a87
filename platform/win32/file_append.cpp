#include "platform/file_append.h"

#include <windows.h>

#include "platform/win32/code_page.h"
#include "platform/win32/system_error.h"

namespace korvalesen::platform {

void AppendToFile(const std::string& path, std::string_view bytes) {
  const HANDLE file = CreateFileW(WideFrom1252(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) throw LastWindowsError();
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr)) {
      const DWORD code = GetLastError();
      CloseHandle(file);
      throw WindowsError(code);
    }
    bytes.remove_prefix(written);
  }
  if (!CloseHandle(file)) throw LastWindowsError();
}

}  // namespace korvalesen::platform
