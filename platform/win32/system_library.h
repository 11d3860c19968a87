#pragma once

// DLLs of Windows loaded from the system folder only. Windows looks for a DLL named bare in the
// program's folder first: a copy of the program run from Downloads would load any DLL of that
// name placed beside it. The program imports only DLLs that Windows maps from its KnownDLLs
// list, and loads every other one through these.

#include <windows.h>

namespace korvalesen::platform {

// Restricts the DLL search of the whole process to the system folder (SetDefaultDllDirectories),
// for the DLLs that Windows' own DLLs load later. Called first thing in a program.
void RestrictDllSearchToSystem();

// The system folder's DLL of that name, or nullptr (GetLastError tells why).
HMODULE LoadSystemLibrary(const wchar_t* name);

// A function of a loaded library by name, as its type; nullptr when it has none.
template <typename Function>
Function SystemFunction(HMODULE library, const char* name) {
  const FARPROC found = library == nullptr ? nullptr : GetProcAddress(library, name);
  return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(found));
}

}  // namespace korvalesen::platform
