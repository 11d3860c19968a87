#pragma once

// A result file being written: written under a temporary name, every line ended with CR LF (the
// line end the server side expects, on every platform), and given its own name only when it is
// complete and closed, so that a run killed while writing leaves no cut file under that name.

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "common/window_operations.h"

namespace korvalesen {

class TextFile {
 public:
  // Creates or truncates the temporary file; nullopt when it cannot be created.
  static std::optional<TextFile> Create(std::string_view name);

  // Writes the text followed by CR LF.
  void WriteLine(std::string_view text);
  // Closes the file and renames it to its own name; false, with the temporary file deleted,
  // when any write, the close or the rename failed.
  bool Close();
  // The bytes written so far.
  const std::string& Contents() const { return contents_; }

 private:
  struct Closer {
    void operator()(std::FILE* file) const { std::fclose(file); }
  };
  TextFile(std::FILE* file, std::string_view name) : file_(file), name_(name) {}

  std::unique_ptr<std::FILE, Closer> file_;
  std::string name_;
  std::string contents_;
  bool failed_ = false;
};

// The name a result file has while it is written.
std::string TemporaryResultFileName(std::string_view name);

// Deletes the temporary result files a killed run left behind; their contents are cut.
void DeleteTemporaryResultFiles();

// Deletes a result file in the working directory; a missing file is no error, and the result
// is not looked at.
void DeleteResultFile(std::string_view name);

// Writes a result file: creates it, lets write_lines fill it and closes it; the bytes written
// go to *contents when it is given. When the file cannot be created, or a write, the close or
// the rename fails (a full disk would otherwise leave a truncated file to be uploaded as a
// good one, so the cut file is deleted), shows "Datei "<name>" kann nicht erstellt werden!"
// with ShowInfoBox and returns false.
template <typename WriteLines>
bool WriteResultFile(std::string_view name, WindowOperations& window, std::string* contents,
                     WriteLines write_lines) {
  auto file = TextFile::Create(name);
  if (file) {
    write_lines(*file);
    if (contents != nullptr) *contents = file->Contents();
    if (file->Close()) return true;
  }
  window.ShowInfoBox(std::string("Datei \"").append(name).append("\" kann nicht erstellt werden!"));
  return false;
}

}  // namespace korvalesen
