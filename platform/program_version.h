#pragma once

// The version that the program file carries about itself.

#include <cstdint>

namespace korvalesen {

struct ProgramVersion {
  enum class Kind {
    kNone,                 // the file carries no version
    kUnreadableRootBlock,  // it carries one, but its fixed part cannot be read
    kFileVersion,
  };
  Kind kind = Kind::kNone;
  // The four parts of the file version, most significant first (7.2.0.0).
  std::uint16_t major = 0;
  std::uint16_t minor = 0;
  std::uint16_t release = 0;
  std::uint16_t build = 0;
};

// The running program's version: the project version, compiled in.
ProgramVersion ReadProgramVersion();

}  // namespace korvalesen
