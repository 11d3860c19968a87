#pragma once

// The system's texts are Windows-1252 byte strings. This header maps between that code page
// and Unicode, at compile time for the literals of the source (which is UTF-8) and at run time
// for texts that enter or leave the program (widgets, the simulator's command line).

#include <array>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace korvalesen {

// Unicode code points of the bytes 0x80 to 0x9F; the five bytes that the code page leaves
// undefined map to the C1 control with the same number, as Windows itself does.
inline constexpr std::array<char32_t, 32> kW1252HighControls = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t DecodeW1252(unsigned char byte) {
  if (byte >= 0x80 && byte <= 0x9F) return kW1252HighControls[byte - 0x80u];
  return byte;
}

constexpr std::optional<unsigned char> EncodeW1252(char32_t code_point) {
  if (code_point < 0x80 || (code_point >= 0xA0 && code_point <= 0xFF)) {
    return static_cast<unsigned char>(code_point);
  }
  for (std::size_t i = 0; i < kW1252HighControls.size(); ++i) {
    if (kW1252HighControls[i] == code_point) return static_cast<unsigned char>(0x80 + i);
  }
  return std::nullopt;
}

// Decodes one UTF-8 sequence at text[pos], advancing pos; nullopt for a malformed sequence.
constexpr std::optional<char32_t> DecodeUtf8(std::string_view text, std::size_t& pos) {
  const auto lead = static_cast<unsigned char>(text[pos]);
  int extra = 0;
  char32_t code_point = 0;
  if (lead < 0x80) {
    code_point = lead;
  } else if ((lead & 0xE0) == 0xC0) {
    extra = 1;
    code_point = lead & 0x1Fu;
  } else if ((lead & 0xF0) == 0xE0) {
    extra = 2;
    code_point = lead & 0x0Fu;
  } else if ((lead & 0xF8) == 0xF0) {
    extra = 3;
    code_point = lead & 0x07u;
  } else {
    return std::nullopt;
  }
  if (pos + static_cast<std::size_t>(extra) >= text.size()) return std::nullopt;
  for (int i = 1; i <= extra; ++i) {
    const auto next = static_cast<unsigned char>(text[pos + static_cast<std::size_t>(i)]);
    if ((next & 0xC0) != 0x80) return std::nullopt;
    code_point = (code_point << 6) | (next & 0x3Fu);
  }
  pos += static_cast<std::size_t>(extra) + 1;
  return code_point;
}

// A UTF-8 string literal converted to Windows-1252 at compile time; a character outside the
// code page stops the compilation.
template <std::size_t N>
struct W1252Literal {
  char bytes[N]{};
  std::size_t size = 0;

  consteval W1252Literal(const char (&utf8)[N]) {
    const std::string_view text(utf8, N - 1);
    std::size_t pos = 0;
    while (pos < text.size()) {
      const auto code_point = DecodeUtf8(text, pos);
      if (!code_point) throw "malformed UTF-8 in a text literal";
      const auto byte = EncodeW1252(*code_point);
      if (!byte) throw "character outside Windows-1252 in a text literal";
      bytes[size++] = static_cast<char>(*byte);
    }
  }
};

template <W1252Literal Text>
constexpr std::string_view operator""_w1252() {
  return {Text.bytes, Text.size};
}

// Run-time conversions for texts that cross the program's edge.
std::string W1252ToUtf8(std::string_view w1252);
// Characters outside the code page become '?'.
std::string Utf8ToW1252(std::string_view utf8);
// Nothing when a character lies outside the code page or the text is no UTF-8.
std::optional<std::string> Utf8ToW1252Exactly(std::string_view utf8);

}  // namespace korvalesen
