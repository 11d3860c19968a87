#include "app/ico_file.h"

#include <cstdint>

namespace korvalesen {

namespace {

// The file's numbers are little-endian.
void Put16(std::string& out, unsigned value) {
  out += static_cast<char>(value & 0xFF);
  out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, std::uint32_t value) {
  Put16(out, value & 0xFFFF);
  Put16(out, value >> 16);
}

constexpr int kSize = ProgramIconImage::kSize;
constexpr std::uint32_t kHeaderSize = 6 + 16;
constexpr std::uint32_t kInfoSize = 40;
constexpr std::uint32_t kPaletteSize = 16 * 4;
// Rows are padded to whole 32-bit words: the colour rows at 4 bits, the mask rows at 1 bit.
constexpr std::uint32_t kColourRow = (kSize * 4 + 31) / 32 * 4;
constexpr std::uint32_t kMaskRow = (kSize + 31) / 32 * 4;
constexpr std::uint32_t kImageSize =
    kInfoSize + kPaletteSize + (kColourRow + kMaskRow) * static_cast<std::uint32_t>(kSize);

}  // namespace

std::string IcoFile(const ProgramIconImage& image) {
  std::string out;
  // The directory of one icon image.
  Put16(out, 0);
  Put16(out, 1);  // an icon
  Put16(out, 1);  // one image
  out += static_cast<char>(kSize);
  out += static_cast<char>(kSize);
  out += static_cast<char>(16);  // colours
  out += '\0';
  Put16(out, 1);  // planes
  Put16(out, 4);  // bits per pixel
  Put32(out, kImageSize);
  Put32(out, kHeaderSize);

  // The bitmap header: the height counts the colour image and the mask.
  Put32(out, kInfoSize);
  Put32(out, kSize);
  Put32(out, 2 * kSize);
  Put16(out, 1);
  Put16(out, 4);
  Put32(out, 0);  // no compression
  Put32(out, (kColourRow + kMaskRow) * kSize);
  Put32(out, 0);
  Put32(out, 0);
  Put32(out, 16);
  Put32(out, 0);
  for (const std::uint32_t rgb : ProgramIconImage::kPalette) {
    out += static_cast<char>(rgb & 0xFF);  // blue, green, red, unused
    out += static_cast<char>((rgb >> 8) & 0xFF);
    out += static_cast<char>((rgb >> 16) & 0xFF);
    out += '\0';
  }
  // The colour rows from the bottom up, two pixels a byte, the left one in the high half.
  for (int y = kSize - 1; y >= 0; --y) {
    for (int x = 0; x < kSize; x += 2) {
      out += static_cast<char>((image.Index(x, y) << 4) | image.Index(x + 1, y));
    }
  }
  // The mask: every pixel opaque.
  out.append(kMaskRow * kSize, '\0');
  return out;
}

}  // namespace korvalesen
