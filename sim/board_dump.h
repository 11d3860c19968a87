#pragma once

// The dump a board sends after the read command, built from a board image, and board images
// for the simulator: a fixed built-in one and plausible ones generated from a seed.

#include <cstddef>
#include <cstdint>
#include <string>

#include "board/config_image.h"

namespace korvalesen::sim {

// The bytes on the wire: 120 settings, the fault times and the fault numbers from position
// 1000 down to 1, each as a decimal field ended by '_'; the serial number, the three further
// characters, the end marker, the control character, the language code, the device type and
// the version text ended by '_'. The serial number and the further characters go out as exactly
// 4 and 3 bytes, cut or filled with NUL bytes.
std::string BuildDump(const ConfigImage& image);

// The same dump with leading blanks in its fields, spread evenly, so that the ASCII part (end
// marker included) has the given size; at most 49 characters a field. Throws
// std::invalid_argument for a size the fields cannot reach.
std::string PaddedDump(const ConfigImage& image, std::size_t ascii_part_size);

// A fixed board with a dozen faults logged.
ConfigImage SampleBoardImage();

// A plausible board generated from the seed; the same seed gives the same board.
ConfigImage RandomBoardImage(std::uint32_t seed);

}  // namespace korvalesen::sim
