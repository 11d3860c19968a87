#include "platform/program_version.h"

namespace korvalesen {

ProgramVersion ReadProgramVersion() {
  return {ProgramVersion::Kind::kFileVersion, KORVALESEN_VERSION_MAJOR, KORVALESEN_VERSION_MINOR,
          KORVALESEN_VERSION_PATCH, 0};
}

}  // namespace korvalesen
