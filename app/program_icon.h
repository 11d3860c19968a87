#pragma once

// The program's icon, 96 x 96 in the 16 colours of the standard palette: on a grey square the
// word CONFIG in red capitals above a blue box with white lines. Painted without a toolkit, so
// that the Qt window and the Windows icon resource show the same picture.

#include <array>
#include <cstdint>

namespace korvalesen {

struct ProgramIconImage {
  static constexpr int kSize = 96;
  // The standard palette in its usual order, as 0x00RRGGBB.
  static constexpr std::array<std::uint32_t, 16> kPalette = {
      0x000000, 0x800000, 0x008000, 0x808000, 0x000080, 0x800080, 0x008080, 0xC0C0C0,
      0x808080, 0xFF0000, 0x00FF00, 0xFFFF00, 0x0000FF, 0xFF00FF, 0x00FFFF, 0xFFFFFF};

  // Palette indices, row by row from the top.
  std::array<std::uint8_t, kSize * kSize> pixels{};

  std::uint8_t Index(int x, int y) const { return pixels[static_cast<std::size_t>(y * kSize + x)]; }
};

ProgramIconImage PaintProgramIcon();

}  // namespace korvalesen
