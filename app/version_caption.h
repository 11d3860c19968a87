#pragma once

#include <string>

#include "platform/program_version.h"

namespace korvalesen {

// "LCD Konfiguration auslesen v" followed by major.minor of the file version: nothing after
// the "v" without a version, 0.0 when its fixed part cannot be read. The version text is kept
// to eight characters, as its buffer holds.
std::string VersionCaption(const ProgramVersion& version);

}  // namespace korvalesen
