#pragma once

// The current local date and time as text, in the system's short date format and long time
// format, separated by one blank.

#include <string>

namespace korvalesen::platform {

std::string LocalDateTimeText();

// The current local date and time as "2026-12-09 03.12.45": fit for a file name on Linux and
// on Windows alike (no ":" and no "/").
std::string LocalDateTimeName();

// The current local date and time with milliseconds, as "2026-12-09 03:12:45.123".
std::string LocalTimeStampText();

}  // namespace korvalesen::platform
