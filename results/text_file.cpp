#include "results/text_file.h"

#include <filesystem>
#include <system_error>

#include "common/result_file_names.h"

namespace korvalesen {

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
  if (file == nullptr) return std::nullopt;
  return TextFile(file, name);
}

void TextFile::WriteLine(std::string_view text) {
  contents_.append(text).append("\r\n");
  if (std::fwrite(text.data(), 1, text.size(), file_.get()) != text.size() ||
      std::fputs("\r\n", file_.get()) == EOF) {
    failed_ = true;
  }
}

void DeleteResultFile(std::string_view name) {
  std::remove(std::string(name).c_str());
}

bool TextFile::Close() {
  std::FILE* file = file_.release();
  const bool closed = std::fclose(file) == 0;
  const std::string temporary = TemporaryResultFileName(name_);
  std::error_code error;
  if (closed && !failed_) std::filesystem::rename(temporary, name_, error);
  if (!closed || failed_ || error) {
    DeleteResultFile(temporary);
    return false;
  }
  return true;
}

}  // namespace korvalesen
