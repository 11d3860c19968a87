#include "common/utf16.h"

namespace korvalesen {

namespace {

constexpr char32_t kReplacement = 0xFFFD;

bool IsHighSurrogate(char16_t unit) {
  return unit >= 0xD800 && unit <= 0xDBFF;
}
bool IsLowSurrogate(char16_t unit) {
  return unit >= 0xDC00 && unit <= 0xDFFF;
}

void AppendUtf16(std::u16string& out, char32_t code_point) {
  if (code_point < 0x10000) {
    out += static_cast<char16_t>(code_point);
    return;
  }
  code_point -= 0x10000;
  out += static_cast<char16_t>(0xD800 + (code_point >> 10));
  out += static_cast<char16_t>(0xDC00 + (code_point & 0x3FF));
}

// What a lead byte starts: the number of bytes that follow it and the range of the first of
// them, which keeps out overlong forms, surrogates and code points beyond U+10FFFF.
struct Lead {
  int follow = -1;  // -1: no lead byte
  unsigned char low = 0x80;
  unsigned char high = 0xBF;
};

Lead LeadOf(unsigned char byte) {
  if (byte < 0x80) return {0};
  if (byte >= 0xC2 && byte <= 0xDF) return {1};
  if (byte == 0xE0) return {2, 0xA0, 0xBF};
  if (byte == 0xED) return {2, 0x80, 0x9F};
  if (byte >= 0xE1 && byte <= 0xEF) return {2};
  if (byte == 0xF0) return {3, 0x90, 0xBF};
  if (byte >= 0xF1 && byte <= 0xF3) return {3};
  if (byte == 0xF4) return {3, 0x80, 0x8F};
  return {};
}

}  // namespace

void AppendUtf8(std::string& out, char32_t code_point) {
  if (code_point < 0x80) {
    out += static_cast<char>(code_point);
  } else if (code_point < 0x800) {
    out += static_cast<char>(0xC0 | (code_point >> 6));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else if (code_point < 0x10000) {
    out += static_cast<char>(0xE0 | (code_point >> 12));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (code_point >> 18));
    out += static_cast<char>(0x80 | ((code_point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((code_point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (code_point & 0x3F));
  }
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t pos = 0;
  while (pos < utf8.size()) {
    const auto lead_byte = static_cast<unsigned char>(utf8[pos++]);
    const Lead lead = LeadOf(lead_byte);
    if (lead.follow < 0) {
      AppendUtf16(out, kReplacement);
      continue;
    }
    char32_t code_point =
        lead.follow == 0 ? lead_byte : lead_byte & (0x3Fu >> static_cast<unsigned>(lead.follow));
    bool complete = true;
    for (int i = 0; i < lead.follow; ++i) {
      const unsigned char low = i == 0 ? lead.low : 0x80;
      const unsigned char high = i == 0 ? lead.high : 0xBF;
      const unsigned char next = pos < utf8.size() ? static_cast<unsigned char>(utf8[pos]) : 0;
      if (next < low || next > high) {
        complete = false;  // the bytes taken so far are one ill-formed part
        break;
      }
      code_point = (code_point << 6) | (next & 0x3Fu);
      ++pos;
    }
    AppendUtf16(out, complete ? code_point : kReplacement);
  }
  return out;
}

std::string Utf16ToUtf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size());
  for (std::size_t i = 0; i < utf16.size(); ++i) {
    const char16_t unit = utf16[i];
    if (IsHighSurrogate(unit) && i + 1 < utf16.size() && IsLowSurrogate(utf16[i + 1])) {
      AppendUtf8(out, 0x10000 + ((char32_t{unit} - 0xD800) << 10) + (utf16[i + 1] - 0xDC00));
      ++i;
    } else if (IsHighSurrogate(unit) || IsLowSurrogate(unit)) {
      AppendUtf8(out, kReplacement);
    } else {
      AppendUtf8(out, unit);
    }
  }
  return out;
}

}  // namespace korvalesen
