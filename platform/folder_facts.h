#pragma once

// What the choice of the program's working folder looks at, as this system gives it. Paths are
// the system's own (wide on Windows), so that a profile such as "C:\Users\Łukasz" or one in
// another script works.

#include <filesystem>
#include <vector>

namespace korvalesen::platform {

struct FolderFacts {
  // The current folder at the start.
  std::filesystem::path started;
  // The folder that holds the program's file.
  std::filesystem::path program;
  // Folders of the system, which a user's results never belong in: Program Files and the
  // Windows folder; /usr.
  std::vector<std::filesystem::path> systemFolders;
  // Windows: the user's temporary folder (%TEMP%), where Explorer unpacks a program started
  // from inside a .zip. Empty on Linux.
  std::filesystem::path temporary;
  // The folder "Korvalesen" in the user's profile (Windows) or home (Linux); empty when the
  // system names none.
  std::filesystem::path userFolder;
};

FolderFacts ReadFolderFacts();

}  // namespace korvalesen::platform
