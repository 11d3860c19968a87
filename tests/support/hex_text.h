#pragma once

// Bytes as lower-case hexadecimal text, two digits each: how the tests hand texts that may hold
// any byte to the programs they start.

#include <string>

namespace korvalesen::testing {

inline std::string HexText(const std::string& bytes) {
  static const char digits[] = "0123456789abcdef";
  std::string text;
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    text += digits[byte >> 4];
    text += digits[byte & 15];
  }
  return text;
}

}  // namespace korvalesen::testing
