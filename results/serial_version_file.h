#pragma once

#include <string>

#include "board/config_image.h"
#include "common/window_operations.h"

namespace korvalesen {

// Writes "_SerienNrVersion.txt": the serial number and the firmware version, each as text up
// to its first NUL byte, behind labels of 16 characters. False after the message when the file
// cannot be written.
bool WriteSerialVersionFile(const ConfigImage& image, WindowOperations& window,
                            std::string* contents = nullptr);

}  // namespace korvalesen
