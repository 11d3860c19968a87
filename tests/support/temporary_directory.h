#pragma once

// A fresh directory that becomes the working directory for the lifetime of the object; the
// previous working directory is restored and the directory removed afterwards.

#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <stdexcept>
#include <string>

namespace korvalesen::testing {

// A new, empty directory "korvalesen-<random>" under the system's temporary directory.
inline std::filesystem::path MakeFreshDirectory() {
  std::random_device random;
  const auto base = std::filesystem::temp_directory_path();
  for (int attempt = 0; attempt < 100; ++attempt) {
    const auto path = base / ("korvalesen-" + std::to_string(random()));
    if (std::filesystem::create_directory(path)) return path;
  }
  throw std::runtime_error("no fresh directory under " + base.string());
}

class TemporaryWorkingDirectory {
 public:
  TemporaryWorkingDirectory()
      : previous_(std::filesystem::current_path()), path_(MakeFreshDirectory()) {
    std::filesystem::current_path(path_);
  }
  ~TemporaryWorkingDirectory() {
    std::filesystem::current_path(previous_);
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
  }
  TemporaryWorkingDirectory(const TemporaryWorkingDirectory&) = delete;
  TemporaryWorkingDirectory& operator=(const TemporaryWorkingDirectory&) = delete;

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path previous_;
  std::filesystem::path path_;
};

inline std::string ReadFileBytes(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void WriteFileBytes(const std::filesystem::path& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

}  // namespace korvalesen::testing
