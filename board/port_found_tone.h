#pragma once

// The short tone played when the board's port has been found: a RIFF/WAVE image of 46 header
// bytes and 1956 unsigned 8-bit samples at 22050 per second, a square wave of 3675 Hz.

#include <array>
#include <cstdint>

namespace korvalesen {

inline constexpr std::size_t PortFoundToneSize = 46 + 1956;
using PortFoundToneImage = std::array<std::uint8_t, PortFoundToneSize>;

PortFoundToneImage BuildPortFoundTone();

}  // namespace korvalesen
