#include "platform/posix/comm_config_files.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <system_error>

#include "platform/file_append.h"
#include "platform/posix/errno_error.h"
#include "platform/posix/unique_fd.h"

namespace korvalesen {

using platform::ThrowErrno;

CommConfigFiles::CommConfigFiles(std::filesystem::path root) : root_(std::move(root)) {}

std::filesystem::path CommConfigFiles::UserRoot() {
  const char* config = std::getenv("XDG_CONFIG_HOME");
  std::filesystem::path base;
  if (config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = std::filesystem::path(home != nullptr ? home : "") / ".config";
  }
  return base / "korvalesen" / "serial";
}

std::filesystem::path CommConfigFiles::FileOf(const std::string& device) const {
  std::string name;
  for (std::size_t i = 0; i < device.size(); ++i) {
    const auto c = static_cast<unsigned char>(device[i]);
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
                       c == '-' || c == '_' || (c == '.' && i > 0);
    if (plain) {
      name += static_cast<char>(c);
    } else {
      char escaped[4];
      std::snprintf(escaped, sizeof escaped, "%%%02X", c);
      name += escaped;
    }
  }
  return root_ / (name + ".conf");
}

std::optional<platform::LineSettings> CommConfigFiles::Load(const std::string& device) {
  platform::UniqueFd fd(open(FileOf(device).c_str(), O_RDONLY | O_CLOEXEC));
  if (!fd.Valid()) {
    if (errno == ENOENT) return std::nullopt;
    ThrowErrno(errno);
  }
  std::string text;
  char buffer[1024];
  for (;;) {
    const ssize_t n = read(fd.Get(), buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) ThrowErrno(errno);
    if (n == 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  auto settings = platform::ParseLineSettings(text);
  if (!settings) ThrowErrno(EINVAL);  // not a record this store wrote
  return settings;
}

void CommConfigFiles::Save(const std::string& device, const platform::LineSettings& settings) {
  std::error_code error;
  std::filesystem::create_directories(root_, error);
  if (error) ThrowErrno(error.value());
  const std::filesystem::path path = FileOf(device);
  const std::filesystem::path temporary = path.string() + ".new";
  if (unlink(temporary.c_str()) != 0 && errno != ENOENT) ThrowErrno(errno);
  try {
    platform::AppendToFile(temporary, platform::FormatLineSettings(settings));
  } catch (...) {
    unlink(temporary.c_str());
    throw;
  }
  // The rename replaces the old record at once: a reader sees the old or the new one whole.
  if (rename(temporary.c_str(), path.c_str()) != 0) {
    const int code = errno;
    unlink(temporary.c_str());
    ThrowErrno(code);
  }
}

}  // namespace korvalesen

namespace korvalesen::platform {

CommConfigStore& SystemCommConfigStore() {
  static CommConfigFiles store(CommConfigFiles::UserRoot());
  return store;
}

}  // namespace korvalesen::platform
