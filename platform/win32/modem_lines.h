#pragma once

// DTR and RTS of a comm device handle, set right after its open.

#include <windows.h>

namespace korvalesen::platform {

// The driver raises DTR and RTS at the open, or keeps them as the last user left them; the
// board reads DTR as its reset line, so both are set as wanted at once. A handle without modem
// lines (a file) refuses, which leaves nothing to set.
inline void SetModemLines(HANDLE device, bool dtr, bool rts) {
  EscapeCommFunction(device, dtr ? SETDTR : CLRDTR);
  EscapeCommFunction(device, rts ? SETRTS : CLRRTS);
}

}  // namespace korvalesen::platform
