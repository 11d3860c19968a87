#pragma once

// The current local date and time as text, in the system's short date format and long time
// format, separated by one blank.

#include <string>

namespace korvalesen::platform {

std::string LocalDateTimeText();

}  // namespace korvalesen::platform
