#include "platform/folder_lock.h"

#include <windows.h>

#include "platform/win32/code_page.h"

namespace korvalesen::platform {

FileLock::~FileLock() {
  if (handle_ != -1) CloseHandle(reinterpret_cast<HANDLE>(handle_));
}

LockResult FileLock::Take(const std::string& path) {
  if (handle_ != -1) return LockResult::kTaken;
  // No sharing: while this handle is open, every other open of the file fails with
  // ERROR_SHARING_VIOLATION, and the system closes the handle when the process ends.
  const HANDLE file = CreateFileW(WideFrom1252(path).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                                  nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) {
    return GetLastError() == ERROR_SHARING_VIOLATION ? LockResult::kHeldElsewhere
                                                     : LockResult::kUnavailable;
  }
  handle_ = reinterpret_cast<std::intptr_t>(file);
  return LockResult::kTaken;
}

}  // namespace korvalesen::platform
