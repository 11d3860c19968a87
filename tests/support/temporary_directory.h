#pragma once

// The tests' temporary folders and their one way of reading and writing a file's bytes.

#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <string>

namespace korvalesen::testing {

// A fresh folder under the system's temporary folder, removed with everything in it (also
// when a test took its write permission away).
class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "korvalesen-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(path_, ignored);
  }
  TempFolder(const TempFolder&) = delete;
  TempFolder& operator=(const TempFolder&) = delete;

  const std::filesystem::path& Path() const { return path_; }

 private:
  std::filesystem::path path_;
};

// A fresh folder that is the working directory for the lifetime of the object; the previous
// working directory is restored before the folder is removed.
class TemporaryWorkingDirectory {
 public:
  TemporaryWorkingDirectory() : previous_(std::filesystem::current_path()) {
    std::filesystem::current_path(folder_.Path());
  }
  ~TemporaryWorkingDirectory() { std::filesystem::current_path(previous_); }
  TemporaryWorkingDirectory(const TemporaryWorkingDirectory&) = delete;
  TemporaryWorkingDirectory& operator=(const TemporaryWorkingDirectory&) = delete;

  const std::filesystem::path& path() const { return folder_.Path(); }

 private:
  std::filesystem::path previous_;
  TempFolder folder_;
};

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace korvalesen::testing
