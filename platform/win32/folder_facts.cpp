#include <windows.h>
// After windows.h, which they need.
#include <knownfolders.h>
#include <shlobj.h>

#include <string>
#include <system_error>

#include "platform/folder_facts.h"

namespace korvalesen::platform {

namespace {

std::filesystem::path KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR path = nullptr;
  std::filesystem::path folder;
  if (SUCCEEDED(SHGetKnownFolderPath(id, 0, nullptr, &path))) folder = path;
  CoTaskMemFree(path);
  return folder;
}

std::filesystem::path ProgramFolder() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) {
      name.resize(length);
      return std::filesystem::path(name).parent_path();
    }
    name.resize(name.size() * 2);
  }
}

std::filesystem::path TemporaryFolder() {
  wchar_t path[MAX_PATH + 1];
  const DWORD length = GetTempPathW(MAX_PATH + 1, path);
  if (length == 0 || length > MAX_PATH) return {};
  return std::filesystem::path(std::wstring(path, length)).parent_path();
}

}  // namespace

FolderFacts ReadFolderFacts() {
  FolderFacts facts;
  std::error_code ignored;
  facts.started = std::filesystem::current_path(ignored);
  facts.program = ProgramFolder();
  for (const KNOWNFOLDERID* id :
       {&FOLDERID_ProgramFiles, &FOLDERID_ProgramFilesX86, &FOLDERID_Windows}) {
    if (std::filesystem::path folder = KnownFolder(*id); !folder.empty()) {
      facts.systemFolders.push_back(std::move(folder));
    }
  }
  facts.temporary = TemporaryFolder();
  if (const std::filesystem::path profile = KnownFolder(FOLDERID_Profile); !profile.empty()) {
    facts.userFolder = profile / L"Korvalesen";
  }
  return facts;
}

}  // namespace korvalesen::platform
