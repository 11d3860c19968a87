#pragma once

// The parts of reading an FTP reply that look only at its lines.

#include <cstdint>
#include <string_view>

namespace korvalesen {

// A first line whose 4th character is "-" opens a reply of several lines.
bool StartsMultiLineReply(std::string_view first_line);
// Whether line ends the reply that first_line opened: it starts with the first line's code and
// a blank, or is that code alone, case ignored. Short lines inside the reply do not end it.
bool EndsMultiLineReply(std::string_view first_line, std::string_view line);
// The code of a reply's last line: 1 for "+OK", 0 for "-ERR", else the decimal number in its
// first 3 characters, or 0 when they are not one.
std::int16_t ReplyCodeOf(std::string_view last_line);

}  // namespace korvalesen
