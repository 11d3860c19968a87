#include "upload/listing.h"

namespace korvalesen {

std::optional<std::vector<std::string>> SplitListing(std::string_view text, std::size_t max_lines) {
  text = text.substr(0, text.find('\0'));
  std::vector<std::string> lines;
  while (!text.empty()) {
    if (lines.size() == max_lines) return std::nullopt;
    const auto end = text.find_first_of("\r\n");
    lines.emplace_back(text.substr(0, end));
    if (end == std::string_view::npos) break;
    const bool crlf = text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n';
    text.remove_prefix(end + (crlf ? 2 : 1));
  }
  return lines;
}

bool ListingLineNames(std::string_view line, std::string_view name) {
  line = line.substr(0, line.find('\0'));
  if (line == name) return true;
  if (line.size() <= name.size() || !line.ends_with(name)) return false;
  const char before = line[line.size() - name.size() - 1];
  return before == ' ' || before == '\t';
}

}  // namespace korvalesen
