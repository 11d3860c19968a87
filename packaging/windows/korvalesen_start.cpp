// Starts Korvalesen from the Start menu. The program writes its result files into its working
// folder and leaves them there when the upload fails, so the menu starts it in "Korvalesen" in
// the user's profile, where the technician finds them, making the folder when it is missing.
// The program's exit status is passed on.
#include <windows.h>

#include <string>

#include "platform/win32/system_library.h"

namespace {

int Refuse(const std::wstring& text) {
  MessageBeep(MB_ICONERROR);
  MessageBoxW(nullptr, text.c_str(), L"Korvalesen", MB_OK | MB_ICONERROR);
  return 1;
}

std::wstring EnvironmentValue(const wchar_t* name) {
  const DWORD size = GetEnvironmentVariableW(name, nullptr, 0);
  if (size == 0) return {};
  std::wstring value(size, L'\0');
  value.resize(GetEnvironmentVariableW(name, value.data(), size));
  return value;
}

// The folder of this launcher, which holds the program too.
std::wstring OwnFolder() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      break;
    }
    path.resize(path.size() * 2);
  }
  return path.substr(0, path.find_last_of(L'\\') + 1);
}

}  // namespace

int WINAPI wWinMain(HINSTANCE, HINSTANCE, PWSTR, int) {
  korvalesen::platform::RestrictDllSearchToSystem();
  const std::wstring profile = EnvironmentValue(L"USERPROFILE");
  const std::wstring folder = profile + L"\\Korvalesen";
  if (profile.empty() ||
      (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)) {
    return Refuse(L"Ordner \"" + folder + L"\" kann nicht erstellt werden!");
  }

  const std::wstring program = OwnFolder() + L"korvalesen.exe";
  std::wstring command_line = L"\"" + program + L"\"";
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessW(program.c_str(), command_line.data(), nullptr, nullptr, FALSE, 0, nullptr,
                      folder.c_str(), &startup, &process)) {
    return Refuse(L"\"" + program + L"\" kann nicht gestartet werden!");
  }
  CloseHandle(process.hThread);
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = 1;
  GetExitCodeProcess(process.hProcess, &status);
  CloseHandle(process.hProcess);
  return static_cast<int>(status);
}
