#pragma once

// Appends bytes to a file, creating it when missing; the file is opened and closed again by
// each call. Throws SysError with the system's code and text.

#include <string>
#include <string_view>

namespace korvalesen::platform {

void AppendToFile(const std::string& path, std::string_view bytes);

}  // namespace korvalesen::platform
