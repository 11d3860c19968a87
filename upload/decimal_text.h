#pragma once

#include <optional>
#include <string_view>

namespace korvalesen {

// A decimal integer with an optional sign and nothing else; nullopt for any other text or a
// value outside int.
std::optional<int> ParseDecimal(std::string_view text);

}  // namespace korvalesen
