#pragma once

// The names of the three result files in the working directory, the same on the server; the
// files are written and uploaded in this order.

#include <string_view>

namespace korvalesen {

inline constexpr std::string_view ConfigFileName = "_Konfig.lcd";
inline constexpr std::string_view FaultLogFileName = "_Fehler.txt";
inline constexpr std::string_view SerialVersionFileName = "_SerienNrVersion.txt";

inline constexpr std::string_view kResultFileNames[] = {ConfigFileName, FaultLogFileName,
                                                        SerialVersionFileName};

}  // namespace korvalesen
