#include "app/program_icon.h"

#include <string_view>

namespace korvalesen {

namespace {

constexpr std::uint8_t kBlack = 0;
constexpr std::uint8_t kNavy = 4;
constexpr std::uint8_t kSilver = 7;
constexpr std::uint8_t kGrey = 8;
constexpr std::uint8_t kRed = 9;
constexpr std::uint8_t kWhite = 15;

// The capitals of CONFIG, 5 x 7 cells each, '#' set.
struct Glyph {
  char letter;
  std::array<std::string_view, 7> rows;
};
constexpr std::array<Glyph, 6> kGlyphs = {{
    {'C', {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."}},
    {'O', {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."}},
    {'N', {"#...#", "##..#", "#.#.#", "#.#.#", "#..##", "#...#", "#...#"}},
    {'F', {"#####", "#....", "#....", "####.", "#....", "#....", "#...."}},
    {'I', {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."}},
    {'G', {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"}},
}};
// Each cell is 2 pixels wide and 3 high; the letters stand 3 pixels apart.
constexpr int kCellWidth = 2;
constexpr int kCellHeight = 3;
constexpr int kLetterGap = 3;
constexpr int kTextTop = 10;

class Canvas {
 public:
  explicit Canvas(ProgramIconImage& image) : image_(image) {}

  void Fill(int left, int top, int width, int height, std::uint8_t colour) {
    for (int y = top; y < top + height; ++y) {
      for (int x = left; x < left + width; ++x) {
        image_.pixels[static_cast<std::size_t>(y * ProgramIconImage::kSize + x)] = colour;
      }
    }
  }

 private:
  ProgramIconImage& image_;
};

void PaintWord(Canvas& canvas) {
  constexpr int kLetterWidth = 5 * kCellWidth;
  constexpr int kWordWidth =
      static_cast<int>(kGlyphs.size()) * (kLetterWidth + kLetterGap) - kLetterGap;
  int left = (ProgramIconImage::kSize - kWordWidth) / 2;
  for (const Glyph& glyph : kGlyphs) {
    for (int row = 0; row < 7; ++row) {
      for (int column = 0; column < 5; ++column) {
        if (glyph.rows[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)] != '#') {
          continue;
        }
        canvas.Fill(left + column * kCellWidth, kTextTop + row * kCellHeight, kCellWidth,
                    kCellHeight, kRed);
      }
    }
    left += kLetterWidth + kLetterGap;
  }
}

}  // namespace

ProgramIconImage PaintProgramIcon() {
  constexpr int kSize = ProgramIconImage::kSize;
  ProgramIconImage image;
  Canvas canvas(image);
  canvas.Fill(0, 0, kSize, kSize, kSilver);
  // A dark grey edge around the square.
  canvas.Fill(0, 0, kSize, 1, kGrey);
  canvas.Fill(0, kSize - 1, kSize, 1, kGrey);
  canvas.Fill(0, 0, 1, kSize, kGrey);
  canvas.Fill(kSize - 1, 0, 1, kSize, kGrey);

  PaintWord(canvas);

  // The blue box with a black shadow and its white lines.
  constexpr int kBoxLeft = 12;
  constexpr int kBoxTop = 40;
  constexpr int kBoxWidth = kSize - 24;
  constexpr int kBoxHeight = 46;
  canvas.Fill(kBoxLeft + 2, kBoxTop + 2, kBoxWidth, kBoxHeight, kBlack);
  canvas.Fill(kBoxLeft, kBoxTop, kBoxWidth, kBoxHeight, kNavy);
  for (int y = kBoxTop + 8; y < kBoxTop + kBoxHeight - 5; y += 8) {
    canvas.Fill(kBoxLeft + 8, y, kBoxWidth - 16, 1, kWhite);
  }
  return image;
}

}  // namespace korvalesen
