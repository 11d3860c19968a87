#include "results/text_file.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#include "common/result_file_names.h"
#include "common/support_log.h"
#include "common/windows1252.h"

namespace korvalesen {
namespace {

// The C library's code and text of a failed file call.
void LogSystemError(const std::string& what, int code) {
  LogEvent(what + ": Fehler " + std::to_string(code) + ": " + std::strerror(code));
}

}  // namespace

std::string TemporaryResultFileName(std::string_view name) {
  return std::string(name) + ".tmp";
}

void DeleteTemporaryResultFiles() {
  for (const std::string_view name : kResultFileNames) {
    std::remove(TemporaryResultFileName(name).c_str());
  }
}

std::optional<TextFile> TextFile::Create(std::string_view name) {
  std::FILE* file = std::fopen(TemporaryResultFileName(name).c_str(), "wb");
  if (file == nullptr) {
    LogSystemError("Datei " + TemporaryResultFileName(name) + " anlegen", errno);
    return std::nullopt;
  }
  return TextFile(file, name);
}

void TextFile::WriteLine(std::string_view text) {
  contents_.append(text).append("\r\n");
  if (failed_) return;
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size() ||
      std::fputs("\r\n", file_.get()) == EOF) {
    LogSystemError("Datei " + name_ + " schreiben", errno);
    failed_ = true;
  }
}

void DeleteResultFile(std::string_view name) {
  std::remove(std::string(name).c_str());
}

bool TextFile::Close() {
  std::FILE* file = file_.release();
  const bool closed = std::fclose(file) == 0;
  if (!closed && !failed_) LogSystemError("Datei " + name_ + " schließen"_w1252.data(), errno);
  const std::string temporary = TemporaryResultFileName(name_);
  std::error_code error;
  if (closed && !failed_) {
    std::filesystem::rename(temporary, name_, error);
    if (error)
      LogEvent("Datei " + name_ + " umbenennen: Fehler " + std::to_string(error.value()) + ": " +
               error.message());
  }
  if (!closed || failed_ || error) {
    DeleteResultFile(temporary);
    return false;
  }
  return true;
}

}  // namespace korvalesen
