#include "results/support_log_file.h"

#include <filesystem>
#include <system_error>

#include "platform/file_append.h"
#include "platform/local_time_text.h"

namespace korvalesen {

void SupportLogFile::WriteLine(std::string_view text) noexcept {
  try {
    std::string line = platform::LocalTimeStampText();
    line += ' ';
    // One line per event: the line ends inside a text (a box's, a reply's) are written as \n.
    for (const char c : text) {
      if (c == '\n') {
        line += "\\n";
      } else if (c != '\r') {
        line += c;
      }
    }
    line += "\r\n";
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path_, error);
    if (!error && size + line.size() > kSupportLogLimit) {
      const std::string older = path_ + ".1";
      std::filesystem::remove(older, error);
      std::filesystem::rename(path_, older, error);
    }
    platform::AppendToFile(path_, line);
  } catch (...) {
    // A log that cannot be written must not change the run.
  }
}

}  // namespace korvalesen
