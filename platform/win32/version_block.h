#pragma once

// The fixed part of a version resource, read from the resource's bytes as Windows lays them
// out (a VS_VERSIONINFO block), so that a program reads its own version without version.dll.

#include <windows.h>

#include <optional>
#include <span>

namespace korvalesen::platform {

// The VS_FIXEDFILEINFO of a root block, or nothing when the block is cut short, is not
// "VS_VERSION_INFO" or holds no fixed part with its signature.
std::optional<VS_FIXEDFILEINFO> FixedFileInfo(std::span<const unsigned char> block);

}  // namespace korvalesen::platform
