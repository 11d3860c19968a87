#pragma once

// Result files of an earlier run that were never uploaded, kept from being overwritten.

#include "common/readout.h"
#include "common/window_operations.h"

namespace korvalesen {

// The sub-folder of the working directory that holds unsent results, one folder per run.
inline constexpr char UnsentResultsFolder[] = "nicht gesendet";

// Moves the result files already in the working directory, all together and unchanged, into
// "nicht gesendet/<serial number> <date and time>/" (the serial number read from the old
// "_SerienNrVersion.txt", "unbekannt" when it cannot be read or cannot name a folder; the name
// in the file system's own encoding). When
// they cannot all be moved, the moved ones go back, an information box names the failure and
// the result is false. True when nothing was there to move.
bool SetAsideUnsentResults(WindowOperations& window);

// The readouts waiting in "nicht gesendet", oldest first, each with its files as they are and
// the removal of its folder once sent. A folder whose serial number is "unbekannt" or whose
// files cannot be read is only counted: it stays for support.
WaitingReadouts ListWaitingReadouts();

}  // namespace korvalesen
