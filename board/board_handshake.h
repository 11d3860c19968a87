#pragma once

// The handshake that makes the board send its dump: the "Reset" pulse on DTR with the board's
// acknowledgements on DSR, its start-up, the echo of the probe byte and the read command.
// Every failure shows its message, closes the port and ends the process.

#include <chrono>
#include <cstdint>

#include "board/board_link.h"

namespace korvalesen {

inline constexpr std::uint8_t ProbeByte = 0xBA;
inline constexpr std::uint8_t ReadCommandFirst = 0xA5;
inline constexpr std::uint8_t ReadCommandSecond = 0xAB;

// Returns when the board has acknowledged everything and the read command has gone out.
void RunHandshake(BoardLink& link);

// Raise DTR and require DSR on; drop DTR and require DSR off.
void ResetLineOn(BoardLink& link);
void ResetLineOff(BoardLink& link);

// Sends the probe byte; true when the board echoed it in time. False after its message.
bool ProbeBoard(BoardLink& link);

// A wait of the board link that keeps the window answering (see Pause).
void Wait(BoardLink& link, std::chrono::milliseconds duration);

// Waits until the byte just queued has left the port; the error code names it in the message.
void WaitWriteDone(BoardLink& link, int errorCode);

}  // namespace korvalesen
