#pragma once

#include <string>

#include "board/config_image.h"
#include "common/window_operations.h"

namespace korvalesen {

// Writes "_Konfig.lcd": the control character 3, then the 120 settings, one decimal number a
// line. False after the message when the file cannot be written.
bool WriteConfigFile(const ConfigImage& image, WindowOperations& window,
                     std::string* contents = nullptr);

}  // namespace korvalesen
