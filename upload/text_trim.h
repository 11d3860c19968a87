#pragma once

// Small text helpers of the client layers: trimming blanks and control characters, and
// comparisons without regard to case (ASCII letters only).

#include <string_view>

namespace korvalesen {

// Removes leading and trailing characters up to and including the blank (0x00 to 0x20).
std::string_view TrimBlanksAndControls(std::string_view text);
bool EqualsIgnoringCase(std::string_view a, std::string_view b);
// Whether text starts with prefix, ignoring case.
bool StartsWithIgnoringCase(std::string_view text, std::string_view prefix);

}  // namespace korvalesen
