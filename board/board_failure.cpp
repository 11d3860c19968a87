#include "board/board_failure.h"

#include "common/process_end.h"

namespace korvalesen {

void FailBoardLink(BoardLink& link, std::string_view message) {
  link.window.ShowErrorBox(message);
  EndBoardLink(link);
}

void EndBoardLink(BoardLink& link) {
  link.port.SetActive(false);
  EndProcess(ExitStatus::kBoardLink);
}

}  // namespace korvalesen
