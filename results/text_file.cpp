#include "results/text_file.h"

namespace korvalesen {

std::optional<TextFile> TextFile::Create(std::string_view name) {
  std::FILE* file = std::fopen(std::string(name).c_str(), "wb");
  if (file == nullptr) return std::nullopt;
  return TextFile(file);
}

void TextFile::WriteLine(std::string_view text) {
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
  return closed && !failed_;
}

}  // namespace korvalesen
