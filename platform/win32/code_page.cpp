#include "platform/win32/code_page.h"

#include "common/windows1252.h"

namespace korvalesen::platform {

// Every character of code page 1252 lies in the basic plane: one UTF-16 unit each.
std::wstring WideFrom1252(std::string_view text) {
  std::wstring wide;
  wide.reserve(text.size());
  for (const char byte : text) {
    wide.push_back(static_cast<wchar_t>(DecodeW1252(static_cast<unsigned char>(byte))));
  }
  return wide;
}

std::string Windows1252From(std::wstring_view text) {
  std::string bytes;
  bytes.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto unit = static_cast<char32_t>(text[i]);
    // A pair of surrogates is one character, and none that code page 1252 has.
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size() && text[i + 1] >= 0xDC00 &&
        text[i + 1] < 0xE000) {
      ++i;
    }
    bytes.push_back(static_cast<char>(EncodeW1252(unit).value_or('?')));
  }
  return bytes;
}

}  // namespace korvalesen::platform
