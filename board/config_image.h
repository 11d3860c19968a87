#pragma once

// The program's one copy of what the board holds, filled by the dump reader and read by the
// result files and the upload.

#include <array>
#include <cstdint>
#include <string>

namespace korvalesen {

inline constexpr int SettingsCount = 120;
inline constexpr int FaultLogSize = 1000;
// Ends the ASCII part of the dump; the byte after it must be the control character, which is
// also the first line of "_Konfig.lcd".
inline constexpr unsigned char DumpEndMarker = 0xAF;
inline constexpr unsigned char DumpControlCharacter = 3;
// Fault numbers: 0 to MaxFaultNumber have texts of their own; every number above is stored as
// InvalidFaultNumber ("Ungültige Fehlertext-Nr.").
inline constexpr int MaxFaultNumber = 38;
inline constexpr int InvalidFaultNumber = 39;

struct ConfigImage {
  std::array<std::int32_t, SettingsCount> settings{};
  // The fault log, positions 1 to 1000 at index position - 1. The board sends the newest entry
  // last; the reader stores the first received at position 1000, so position 1 is the newest.
  std::array<std::uint32_t, FaultLogSize> faultTimes{};
  std::array<std::uint8_t, FaultLogSize> faultNumbers{};
  // Exactly 4 and 3 bytes as received; a NUL byte among them ends the text where it is used.
  std::string serialNumber = std::string(4, '\0');
  std::string serialExtra = std::string(3, '\0');
  std::uint8_t languageCode = 0;
  std::uint8_t deviceType = 0;
  std::string versionText;  // 0 to 16 characters
};

}  // namespace korvalesen
