#pragma once

// The serial line to the board: 9600 bit/s, 8 data bits, no parity, one stop bit, DTR and RTS
// off (DTR is the board's reset line) and no flow control, with a receive queue as large as
// the dump buffer.

#include "serial/com_port.h"

namespace korvalesen {

void SetUpBoardLine(TCustomComPort& port);

}  // namespace korvalesen
