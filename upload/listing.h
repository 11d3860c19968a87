#pragma once

// Directory listings: the split into lines and the search for a name.

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace korvalesen {

// Lines end at CR LF, LF or a lone CR and lose their ends; a last line without an end counts;
// a NUL byte ends the text. An empty text gives no lines; more than max_lines give nullopt.
std::optional<std::vector<std::string>> SplitListing(std::string_view text, std::size_t max_lines);

// A line (up to its first NUL) names the entry when it equals the name or ends with the name
// directly after a blank or tab, byte for byte.
bool ListingLineNames(std::string_view line, std::string_view name);

}  // namespace korvalesen
