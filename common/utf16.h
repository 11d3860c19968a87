#pragma once

// Conversions between UTF-8 byte strings and UTF-16 texts, for the serial port's UTF-8 reads
// and writes. Input that is not well formed is never cut off: each maximal ill-formed part of
// UTF-8 (as the Unicode standard counts them) and each unpaired surrogate of UTF-16 becomes the
// replacement character U+FFFD.

#include <string>
#include <string_view>

namespace korvalesen {

std::u16string Utf8ToUtf16(std::string_view utf8);
std::string Utf16ToUtf8(std::u16string_view utf16);

// Appends the UTF-8 form of a code point (at most U+10FFFF, no surrogate).
void AppendUtf8(std::string& out, char32_t code_point);

}  // namespace korvalesen
