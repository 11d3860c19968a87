#pragma once

// The name and release of the running system, for the support log ("Linux 6.1.0-18-amd64
// x86_64", "Windows 10.0.19045").

#include <string>

namespace korvalesen::platform {

std::string SystemName();

}  // namespace korvalesen::platform
