#pragma once

// How the board link gives up: the message, the port closed, the process ended.

#include <string_view>

#include "board/board_link.h"

namespace korvalesen {

// Shows the message with ShowErrorBox, closes the port and ends the process with the status
// of the board link.
[[noreturn]] void FailBoardLink(BoardLink& link, std::string_view message);

// Closes the port and ends the process with the status of the board link (after a failure
// that has shown its own message).
[[noreturn]] void EndBoardLink(BoardLink& link);

}  // namespace korvalesen
