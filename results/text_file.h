#pragma once

// A result file being written: created or truncated on open, every line ended with CR LF (the
// line end the server side expects, on every platform), closed by its owner.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/window_operations.h"

namespace korvalesen {

class TextFile {
 public:
  // Creates or truncates the file; nullopt when it cannot be created.
  static std::optional<TextFile> Create(std::string_view name);

  // Writes the text followed by CR LF.
  void WriteLine(std::string_view text);
  // Closes the file; false when any write or the close failed.
  bool Close();

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  explicit TextFile(std::FILE* file) : file_(file) {}

  std::unique_ptr<std::FILE, Closer> file_;
  bool failed_ = false;
};

// Deletes a result file in the working directory; a missing file is no error, and the result
// is not looked at.
void DeleteResultFile(std::string_view name);

// Writes a result file: creates it, lets write_lines fill it and closes it. When the file
// cannot be created, or a write or the close fails (a full disk would otherwise leave a
// truncated file to be uploaded as a good one, so the cut file is deleted), shows "Datei
// "<name>" kann nicht erstellt werden!" with ShowInfoBox and returns false.
template <typename WriteLines>
bool WriteResultFile(std::string_view name, WindowOperations& window, WriteLines write_lines) {
  auto file = TextFile::Create(name);
  if (file) {
    write_lines(*file);
    if (file->Close()) return true;
    DeleteResultFile(name);
  }
  window.ShowInfoBox(std::string("Datei \"").append(name).append("\" kann nicht erstellt werden!"));
  return false;
}

}  // namespace korvalesen
