#include "tools/auto_confirm.h"

#include <cstdio>

#include "app/message_boxes.h"
#include "common/windows1252.h"

namespace korvalesen::tools {

std::string BoxLine(std::string_view caption_utf8, std::string_view text_w1252) {
  std::string line(caption_utf8);
  line += ": ";
  for (std::size_t i = 0; i < text_w1252.size(); ++i) {
    const char c = text_w1252[i];
    if (c == '\r' && i + 1 < text_w1252.size() && text_w1252[i + 1] == '\n') continue;
    if (c == '\r' || c == '\n') {
      line += "\\n";
    } else {
      line += W1252ToUtf8(std::string_view(&text_w1252[i], 1));
    }
  }
  return line;
}

void ConfirmBoxesOnStandardOutput() {
  SetMessageBoxPresenter([](BoxKind /*kind*/, std::string_view caption, std::string_view text) {
    const std::string line = BoxLine(W1252ToUtf8(caption), text);
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    // The process may end at once after the box.
    std::fflush(stdout);
  });
}

void CloseWindowAfterReadout(MainFormView& window) {
  // Queued: an error that left the sequence is shown first.
  window.PostClose();
}

}  // namespace korvalesen::tools
