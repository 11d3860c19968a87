#pragma once

// Windows-1252 texts to and from the UTF-16 of the W calls, whatever the system's ANSI code
// page is. A character that code page 1252 lacks becomes '?'.

#include <string>
#include <string_view>

namespace korvalesen::platform {

std::wstring WideFrom1252(std::string_view text);
std::string Windows1252From(std::wstring_view text);

}  // namespace korvalesen::platform
