// The version resource of the running program's own file, read with GetFileVersionInfoSize,
// GetFileVersionInfo and VerQueryValue of the root block.

#include "platform/program_version.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace korvalesen {
namespace {

// The path of the running program, however long it is.
std::wstring OwnPath() {
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (length < path.size()) {
      path.resize(length);
      return path;
    }
    path.resize(path.size() * 2);
  }
}

}  // namespace

ProgramVersion ReadProgramVersion() {
  const std::wstring path = OwnPath();
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
  if (size == 0) return {};
  std::vector<unsigned char> block(size);
  void* fixed = nullptr;
  UINT fixed_size = 0;
  if (!GetFileVersionInfoW(path.c_str(), 0, size, block.data()) ||
      !VerQueryValueW(block.data(), L"\\", &fixed, &fixed_size) || fixed == nullptr ||
      fixed_size < sizeof(VS_FIXEDFILEINFO)) {
    return {ProgramVersion::Kind::kUnreadableRootBlock};
  }
  const auto* info = static_cast<const VS_FIXEDFILEINFO*>(fixed);
  const auto high = [](DWORD word) { return static_cast<std::uint16_t>(word >> 16); };
  const auto low = [](DWORD word) { return static_cast<std::uint16_t>(word & 0xFFFF); };
  return {ProgramVersion::Kind::kFileVersion, high(info->dwFileVersionMS),
          low(info->dwFileVersionMS), high(info->dwFileVersionLS), low(info->dwFileVersionLS)};
}

}  // namespace korvalesen
