// Splitting a listing into lines and finding a name in a line, over arbitrary listings. The
// lines, joined again with the line ends they lost, must give back the listing up to its first
// NUL; each line names its own last field and itself, and a name found is the line's end.

#include <string>
#include <vector>

#include "fuzz/property.h"
#include "upload/listing.h"

namespace korvalesen::fuzz {
namespace {

// Lines checked for names per input: enough for every listing in the corpus, and it keeps a
// listing of many short lines fast.
constexpr std::size_t kNamedLines = 64;

// Steps over the line end at the front of rest; false when there is none.
bool SkipLineEnd(std::string_view& rest) {
  if (rest.starts_with("\r\n")) {
    rest.remove_prefix(2);
  } else if (rest.starts_with('\r') || rest.starts_with('\n')) {
    rest.remove_prefix(1);
  } else {
    return false;
  }
  return true;
}

void CheckSplit(std::string_view listing, const std::vector<std::string>& lines) {
  std::string_view rest = listing.substr(0, listing.find('\0'));
  Require(lines.empty() == rest.empty(), "only an empty listing gives no lines");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    Require(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos,
            "a line holds no line end and no NUL");
    Require(rest.starts_with(line), "the lines are the listing's text in order");
    rest.remove_prefix(line.size());
    const bool ended = SkipLineEnd(rest);
    Require(ended || (i + 1 == lines.size() && rest.empty()),
            "every line but a last one was ended by CR LF, LF or CR");
  }
  Require(rest.empty(), "the lines cover the listing up to its first NUL");
}

void CheckNames(const std::string& line, const std::string& other) {
  Require(ListingLineNames(line, line), "a line names itself");
  const auto blank = line.find_last_of(" \t");
  if (blank != std::string::npos && blank + 1 < line.size()) {
    const std::string last_field = line.substr(blank + 1);
    Require(ListingLineNames(line, last_field), "a line names its last field");
    Require(!ListingLineNames(line, "x" + last_field), "a longer name is not the last field");
  }
  if (ListingLineNames(line, other)) {
    Require(line.ends_with(other), "a name found is where the line ends");
  }
}

}  // namespace
}  // namespace korvalesen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvalesen;
  using namespace korvalesen::fuzz;
  const std::string_view listing = AsText(data, size);
  const std::vector<std::string> lines = SplitListing(listing, listing.size()).value();
  CheckSplit(listing, lines);
  for (std::size_t i = 0; i < lines.size() && i < kNamedLines; ++i) {
    CheckNames(lines[i], lines[(i + 1) % lines.size()]);
  }
  return 0;
}
