#pragma once

// The address of a 227 reply to PASV.

#include <cstdint>
#include <string>
#include <string_view>

namespace korvalesen {

struct PassiveAddress {
  std::string address;  // the first four fields joined with "."
  int port = 0;         // fifth field * 256 + sixth field
};

// Takes the text between the first "(" and the first ")" when the line has both, else the text
// after its last blank, and splits it at ",". A port field that is not a decimal number raises
// EConvertError "'<field>' ist kein gültiger Integerwert", and so does a port outside 0 to 65535
// (naming the fifth field when it is outside 0 to 255, else the sixth).
PassiveAddress ParsePassiveReply(std::string_view last_line);

}  // namespace korvalesen
