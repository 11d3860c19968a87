#include "app/version_caption.h"

#include "common/format_text.h"

namespace korvalesen {

namespace {

constexpr std::size_t kFileVersionTextCapacity = 8;

std::string FileVersionText(const ProgramVersion& version) {
  switch (version.kind) {
    case ProgramVersion::Kind::kNone:
      return {};
    case ProgramVersion::Kind::kUnreadableRootBlock:
      return "0.0";
    case ProgramVersion::Kind::kFileVersion:
      break;
  }
  return FormatText("%d.%d", version.major, version.minor).substr(0, kFileVersionTextCapacity);
}

}  // namespace

std::string VersionCaption(const ProgramVersion& version) {
  return FormatText("LCD Konfiguration auslesen v%s", FileVersionText(version).c_str());
}

}  // namespace korvalesen
