#include "platform/win32/version_block.h"

#include <cstring>
#include <string_view>

namespace korvalesen::platform {
namespace {

WORD WordAt(std::span<const unsigned char> block, std::size_t offset) {
  WORD value = 0;
  std::memcpy(&value, block.data() + offset, sizeof value);
  return value;
}

}  // namespace

// The block: its length, the value's length and type (three WORDs), the key in UTF-16 with its
// 0, padding to a multiple of 4 bytes, then the value.
std::optional<VS_FIXEDFILEINFO> FixedFileInfo(std::span<const unsigned char> block) {
  constexpr std::u16string_view kKey = u"VS_VERSION_INFO";
  constexpr std::size_t kKeyOffset = 3 * sizeof(WORD);
  constexpr std::size_t kValueOffset = (kKeyOffset + (kKey.size() + 1) * 2 + 3) / 4 * 4;
  if (block.size() < kValueOffset) return std::nullopt;
  const std::size_t length = WordAt(block, 0);
  if (length > block.size() || WordAt(block, sizeof(WORD)) < sizeof(VS_FIXEDFILEINFO) ||
      length < kValueOffset + sizeof(VS_FIXEDFILEINFO)) {
    return std::nullopt;
  }
  for (std::size_t i = 0; i <= kKey.size(); ++i) {
    const char16_t wanted = i < kKey.size() ? kKey[i] : u'\0';
    if (WordAt(block, kKeyOffset + 2 * i) != wanted) return std::nullopt;
  }
  VS_FIXEDFILEINFO info{};
  std::memcpy(&info, block.data() + kValueOffset, sizeof info);
  if (info.dwSignature != VS_FFI_SIGNATURE) return std::nullopt;
  return info;
}

}  // namespace korvalesen::platform
