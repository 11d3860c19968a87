#include <gtest/gtest.h>

#include <QImage>
#include <set>

#include "app/display_scale.h"
#include "app/ico_file.h"
#include "app/qt/qt_program_icon.h"
#include "app/qt/qt_text.h"
#include "app/version_caption.h"

namespace korvalesen {
namespace {

TEST(DisplayScale, OuterSizeIsTruncatedAtEachResolution) {
  EXPECT_EQ(OuterWindowSize(DisplayScale(96)), (OuterSize{593, 175}));
  EXPECT_EQ(OuterWindowSize(DisplayScale(120)), (OuterSize{741, 218}));
  EXPECT_EQ(OuterWindowSize(DisplayScale(144)), (OuterSize{889, 262}));
  EXPECT_FLOAT_EQ(DisplayScale(120), 1.25f);
}

TEST(VersionCaption, ShowsMajorAndMinorOrWhatIsMissing) {
  EXPECT_EQ(VersionCaption({ProgramVersion::Kind::kFileVersion, 7, 2, 0, 0}),
            "LCD Konfiguration auslesen v7.2");
  EXPECT_EQ(VersionCaption({ProgramVersion::Kind::kNone}), "LCD Konfiguration auslesen v");
  EXPECT_EQ(VersionCaption({ProgramVersion::Kind::kUnreadableRootBlock, 7, 2, 0, 0}),
            "LCD Konfiguration auslesen v0.0");
  EXPECT_EQ(VersionCaption({ProgramVersion::Kind::kFileVersion, 65535, 65535, 0, 0}),
            "LCD Konfiguration auslesen v65535.65");
}

TEST(QtText, DecodesWindows1252IncludingTheHighControlRange) {
  EXPECT_EQ(ToQString("Ger\xE4t \x80 \x9F \xFC"), QString::fromUtf8("Gerät € Ÿ ü"));
  EXPECT_EQ(ToQString(std::string_view("a\0b", 3)).size(), 3);
}

TEST(ProgramIcon, IsA96PixelSquareInTheSixteenColoursOnLinuxAndInTheIcoFile) {
  const QImage icon = ProgramIconQImage();
  EXPECT_EQ(icon.size(), QSize(96, 96));
  std::set<QRgb> colours;
  for (int y = 0; y < icon.height(); ++y) {
    for (int x = 0; x < icon.width(); ++x) colours.insert(icon.pixel(x, y));
  }
  EXPECT_LE(colours.size(), 16u);
  EXPECT_TRUE(colours.count(qRgb(255, 0, 0))) << "the red word CONFIG";
  EXPECT_TRUE(colours.count(qRgb(0, 0, 128))) << "the blue box";
  EXPECT_TRUE(colours.count(qRgb(255, 255, 255))) << "its white lines";
  EXPECT_EQ(icon.pixel(2, 40), qRgb(192, 192, 192)) << "the grey square";

  // The .ico of the Windows build holds the same pixels, as Qt reads them back.
  const std::string ico = IcoFile(PaintProgramIcon());
  const QImage from_ico =
      QImage::fromData(QByteArray(ico.data(), static_cast<qsizetype>(ico.size())), "ICO");
  ASSERT_EQ(from_ico.size(), QSize(96, 96));
  for (int y = 0; y < 96; ++y) {
    for (int x = 0; x < 96; ++x) {
      ASSERT_EQ(from_ico.pixel(x, y) | 0xFF000000u, icon.pixel(x, y)) << x << "," << y;
    }
  }
}

}  // namespace
}  // namespace korvalesen
