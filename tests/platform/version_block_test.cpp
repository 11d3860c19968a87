// The fixed part of a version resource, read from blocks laid out as Windows lays them out.

#include "platform/win32/version_block.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string_view>
#include <vector>

namespace korvalesen::platform {
namespace {

// A root block: the three WORDs, the key in UTF-16 with its 0, padding to 4, the fixed part,
// and some bytes of children behind it.
std::vector<unsigned char> RootBlock(std::u16string_view key, DWORD signature) {
  std::vector<unsigned char> block(6);
  for (char16_t c : key) {
    block.push_back(static_cast<unsigned char>(c & 0xFF));
    block.push_back(static_cast<unsigned char>(c >> 8));
  }
  block.insert(block.end(), {0, 0});
  block.resize((block.size() + 3) / 4 * 4);
  VS_FIXEDFILEINFO info{};
  info.dwSignature = signature;
  info.dwFileVersionMS = 0x00070002;
  info.dwFileVersionLS = 0x00030004;
  const auto* bytes = reinterpret_cast<const unsigned char*>(&info);
  block.insert(block.end(), bytes, bytes + sizeof info);
  block.resize(block.size() + 12, 0xCC);
  const auto words = [&](std::size_t at, std::size_t value) {
    block[at] = static_cast<unsigned char>(value & 0xFF);
    block[at + 1] = static_cast<unsigned char>(value >> 8);
  };
  words(0, block.size());
  words(2, sizeof info);
  return block;
}

TEST(VersionBlock, TheFixedPartIsReadFromAWholeRootBlockOnly) {
  const auto good = RootBlock(u"VS_VERSION_INFO", VS_FFI_SIGNATURE);
  const auto info = FixedFileInfo(good);
  ASSERT_TRUE(info.has_value());
  EXPECT_EQ(info->dwFileVersionMS, 0x00070002u);
  EXPECT_EQ(info->dwFileVersionLS, 0x00030004u);

  EXPECT_FALSE(FixedFileInfo(RootBlock(u"VS_VERSION_INFX", VS_FFI_SIGNATURE)));
  EXPECT_FALSE(FixedFileInfo(RootBlock(u"VS_VERSION_INFO", 0xFEEF04BE)));
  // Cut inside the fixed part: the block's own length says more than there is.
  EXPECT_FALSE(FixedFileInfo(std::span(good).first(60)));
  EXPECT_FALSE(FixedFileInfo(std::span(good).first(3)));
  auto short_value = good;
  short_value[2] = 8;  // a value too short for the fixed part
  EXPECT_FALSE(FixedFileInfo(short_value));
}

}  // namespace
}  // namespace korvalesen::platform
