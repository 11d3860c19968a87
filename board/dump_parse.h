#pragma once

// The parse of the dump's ASCII part: 2120 decimal fields, each ended by '_', then the serial
// number, three further characters and the end marker.

#include <cstdint>
#include <functional>
#include <span>
#include <string_view>

#include "board/config_image.h"

namespace korvalesen {

// A field holds at most this many characters before its '_' (the field buffer of 50 bytes).
inline constexpr std::size_t FieldCharacterLimit = 49;

// A field as a signed 32-bit number: leading white space skipped, an optional sign, the
// decimal digits up to the first other character, wrapping modulo 2^32; empty gives 0.
std::int32_t FieldValue(std::string_view field);

// Parses the ASCII part as received, end marker included, into the settings, the fault log,
// the serial number and the further characters of the image; after_field runs after every
// field taken. False when the end marker is not where the fields and the seven characters
// end, and also when the part ends before them or a field is longer than the limit: the scan
// never leaves the bytes received.
bool ParseAsciiPart(std::span<const std::uint8_t> part, ConfigImage& image,
                    const std::function<void()>& after_field);

}  // namespace korvalesen
