#include "app/qt/qt_program_icon.h"

#include "app/program_icon.h"

namespace korvalesen {

QImage ProgramIconQImage() {
  const ProgramIconImage icon = PaintProgramIcon();
  constexpr int kSize = ProgramIconImage::kSize;
  QImage image(kSize, kSize, QImage::Format_Indexed8);
  QList<QRgb> colours;
  for (const std::uint32_t rgb : ProgramIconImage::kPalette) colours.append(0xFF000000u | rgb);
  image.setColorTable(colours);
  for (int y = 0; y < kSize; ++y) {
    for (int x = 0; x < kSize; ++x) image.setPixel(x, y, icon.Index(x, y));
  }
  return image;
}

}  // namespace korvalesen
