#pragma once

// The support log's file: each event appended as a line with the local time in milliseconds.
// At its size limit the file becomes "<name>.1" (an older one dropped) and a new one begins. A
// file that cannot be written loses the line and nothing else.

#include <cstdint>
#include <string>
#include <string_view>

#include "common/support_log.h"

namespace korvalesen {

inline constexpr char SupportLogFileName[] = "korvalesen.log";
inline constexpr std::uintmax_t kSupportLogLimit = 1024 * 1024;

class SupportLogFile : public SupportLogSink {
 public:
  explicit SupportLogFile(std::string path = SupportLogFileName) : path_(std::move(path)) {}
  void WriteLine(std::string_view text) noexcept override;

 private:
  std::string path_;
};

// Installs a SupportLogFile in the working folder for the object's life.
class SupportLogInstallation {
 public:
  SupportLogInstallation() : previous_(SetSupportLogSink(&file_)) {}
  ~SupportLogInstallation() { SetSupportLogSink(previous_); }
  SupportLogInstallation(const SupportLogInstallation&) = delete;
  SupportLogInstallation& operator=(const SupportLogInstallation&) = delete;

 private:
  SupportLogFile file_;
  SupportLogSink* previous_;
};

}  // namespace korvalesen
