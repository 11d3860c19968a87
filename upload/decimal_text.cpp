#include "upload/decimal_text.h"

#include <charconv>

namespace korvalesen {

std::optional<int> ParseDecimal(std::string_view text) {
  // from_chars takes a '-' but no '+': a '+' is taken here, and only one directly before a digit.
  if (text.starts_with('+')) {
    text.remove_prefix(1);
    if (text.empty() || text.front() < '0' || text.front() > '9') return std::nullopt;
  }
  int value = 0;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  if (error != std::errc() || end != text.data() + text.size()) return std::nullopt;
  return value;
}

}  // namespace korvalesen
