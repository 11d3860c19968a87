#include "common/windows1252.h"

#include "common/utf16.h"

namespace korvalesen {

std::string W1252ToUtf8(std::string_view w1252) {
  std::string out;
  out.reserve(w1252.size());
  for (const char c : w1252) AppendUtf8(out, DecodeW1252(static_cast<unsigned char>(c)));
  return out;
}

namespace {

// Each character the code page lacks, and each byte that is no UTF-8, becomes `replacement`;
// without one the conversion gives nothing.
std::optional<std::string> EncodeUtf8Text(std::string_view utf8, std::optional<char> replacement) {
  std::string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto code_point = DecodeUtf8(utf8, pos);
    if (!code_point) ++pos;
    const auto byte = code_point ? EncodeW1252(*code_point) : std::nullopt;
    if (byte) {
      out += static_cast<char>(*byte);
    } else if (replacement) {
      out += *replacement;
    } else {
      return std::nullopt;
    }
  }
  return out;
}

}  // namespace

std::string Utf8ToW1252(std::string_view utf8) {
  return *EncodeUtf8Text(utf8, '?');
}

std::optional<std::string> Utf8ToW1252Exactly(std::string_view utf8) {
  return EncodeUtf8Text(utf8, std::nullopt);
}

}  // namespace korvalesen
