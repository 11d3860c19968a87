#pragma once

#include <string>

#include "board/config_image.h"
#include "common/window_operations.h"
#include "results/fault_texts.h"

namespace korvalesen {

// Writes "_Fehler.txt": a header, a blank line and one line per log entry with days, hours,
// minutes, seconds and the fault text, tab-separated. Position 1 is always written; the first
// zero time stamp after it ends the log. False after the message when the file cannot be
// written.
bool WriteFaultLog(const ConfigImage& image, const FaultTextTable& fault_texts,
                   WindowOperations& window, std::string* contents = nullptr);

}  // namespace korvalesen
