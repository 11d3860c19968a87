#include "platform/folder_facts.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <system_error>

namespace korvalesen::platform {

namespace {

std::filesystem::path HomeFolder() {
  if (const char* home = std::getenv("HOME"); home != nullptr && *home != '\0') return home;
  if (const passwd* entry = getpwuid(getuid()); entry != nullptr && entry->pw_dir != nullptr) {
    return entry->pw_dir;
  }
  return {};
}

}  // namespace

FolderFacts ReadFolderFacts() {
  FolderFacts facts;
  std::error_code ignored;
  facts.started = std::filesystem::current_path(ignored);
  facts.program = std::filesystem::read_symlink("/proc/self/exe", ignored).parent_path();
  facts.systemFolders = {"/usr"};
  if (const std::filesystem::path home = HomeFolder(); !home.empty()) {
    facts.userFolder = home / "Korvalesen";
  }
  return facts;
}

}  // namespace korvalesen::platform
