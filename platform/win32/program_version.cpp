// The version resource of the running program's own file, read from the resource itself
// (FindResource on the program's module): version.dll, which is no KnownDLL, stays unloaded.

#include "platform/program_version.h"

#include <windows.h>

#include <cstdint>

#include "platform/win32/version_block.h"

namespace korvalesen {

ProgramVersion ReadProgramVersion() {
  constexpr WORD kVersionType = 16;  // RT_VERSION, whose macro has the narrow type here
  const HRSRC found =
      FindResourceW(nullptr, MAKEINTRESOURCEW(VS_VERSION_INFO), MAKEINTRESOURCEW(kVersionType));
  if (found == nullptr) return {};
  const HGLOBAL loaded = LoadResource(nullptr, found);
  const void* data = loaded == nullptr ? nullptr : LockResource(loaded);
  const std::optional<VS_FIXEDFILEINFO> info =
      data == nullptr ? std::nullopt
                      : platform::FixedFileInfo({static_cast<const unsigned char*>(data),
                                                 SizeofResource(nullptr, found)});
  if (!info) return {ProgramVersion::Kind::kUnreadableRootBlock};
  const auto high = [](DWORD word) { return static_cast<std::uint16_t>(word >> 16); };
  const auto low = [](DWORD word) { return static_cast<std::uint16_t>(word & 0xFFFF); };
  return {ProgramVersion::Kind::kFileVersion, high(info->dwFileVersionMS),
          low(info->dwFileVersionMS), high(info->dwFileVersionLS), low(info->dwFileVersionLS)};
}

}  // namespace korvalesen
