#include "platform/system_name.h"

#include <windows.h>

#include <cstring>
#include <string>

namespace korvalesen::platform {

// RtlGetVersion reports the true version; GetVersionEx reports what the manifest claims.
std::string SystemName() {
  using RtlGetVersionCall = LONG(WINAPI*)(OSVERSIONINFOW*);
  const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
  OSVERSIONINFOW info{};
  info.dwOSVersionInfoSize = sizeof info;
  if (ntdll != nullptr) {
    const FARPROC found = GetProcAddress(ntdll, "RtlGetVersion");
    RtlGetVersionCall call = nullptr;
    static_assert(sizeof call == sizeof found);
    std::memcpy(&call, &found, sizeof call);
    if (call != nullptr && call(&info) == 0) {
      return "Windows " + std::to_string(info.dwMajorVersion) + "." +
             std::to_string(info.dwMinorVersion) + "." + std::to_string(info.dwBuildNumber);
    }
  }
  return "Windows";
}

}  // namespace korvalesen::platform
