#pragma once

// Reading the board's configuration: the handshake, the dump received byte by byte with the
// progress bar, and its parse into the image.

#include "board/board_link.h"
#include "board/config_image.h"

namespace korvalesen {

// The ASCII part is received into a buffer of this size; one byte more than accepted fails.
inline constexpr std::size_t DumpBufferSize = 64000;
inline constexpr std::size_t DumpAcceptedBytes = 63994;

// Returns with the image complete, the port open and "Konfiguration gelesen" in the status
// line; on any failure it shows its message, closes the port and ends the process.
void ReadConfiguration(BoardLink& link, ConfigImage& image);

}  // namespace korvalesen
