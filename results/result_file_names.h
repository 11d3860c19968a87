#pragma once

// The names of the three result files in the working directory (and on the server).

#include <string_view>

namespace korvalesen {

inline constexpr std::string_view ConfigFileName = "_Konfig.lcd";
inline constexpr std::string_view FaultLogFileName = "_Fehler.txt";
inline constexpr std::string_view SerialVersionFileName = "_SerienNrVersion.txt";

}  // namespace korvalesen
