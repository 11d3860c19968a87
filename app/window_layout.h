#pragma once

// The main window's layout, the one table that both views build it from: the client area and
// each control's place in its parent in pixels at 96 pixels per inch, the captions, the fonts
// and the colours. At another resolution every length is scaled by the scale rule below.

#include <cstdint>
#include <string_view>

namespace korvalesen::window_layout {

// The resolution the lengths are given at.
constexpr int kDesignPixelsPerInch = 96;

// The scale rule: a length at the screen's resolution, rounded to the nearest pixel as the
// system's MulDiv rounds.
constexpr int Scaled(int pixels, int pixels_per_inch) {
  const long long product = static_cast<long long>(pixels) * pixels_per_inch;
  const long long half = kDesignPixelsPerInch / 2;
  return static_cast<int>(product >= 0 ? (product + half) / kDesignPixelsPerInch
                                       : (product - half) / kDesignPixelsPerInch);
}

struct Size {
  int width, height;
};

// A control's place in its parent's client area.
struct Place {
  int left, top, width, height;
};

struct Font {
  std::string_view family;
  int pixel_height;  // the character height, without the internal leading
  bool bold;
};

constexpr Size kClientSize = {574, 127};

// The frame "Status" and what it holds.
constexpr Place kGroupBox3 = {16, 24, 353, 89};
constexpr Place kStatusLabel = {16, 64, 329, 18};
constexpr Place kProgressBar = {16, 32, 233, 25};
constexpr Place kResetPanel = {264, 32, 73, 25};
// The frame "Port" and what it holds.
constexpr Place kGroupBox4 = {384, 24, 177, 89};
constexpr Place kComboBox = {16, 24, 137, 26};
constexpr Place kSuchenButton = {16, 56, 137, 25};
// The drop-down list's items.
constexpr int kComboBoxItemHeight = 18;

constexpr std::string_view kGroupBox3Caption = "Status";
constexpr std::string_view kGroupBox4Caption = "Port";
constexpr std::string_view kResetPanelCaption = "Reset";
constexpr std::string_view kSuchenButtonCaption = "suchen";

// The form's own font, and the font of its controls (the lamp's in bold).
constexpr Font kFormFont = {"MS Sans Serif", 11, false};
constexpr Font kControlFont = {"Arial", 16, false};
constexpr Font kResetPanelFont = {"Arial", 16, true};

// Colours as 0x00BBGGRR: the lamp's colour at start and the status line's background.
constexpr std::uint32_t kResetPanelGreen = 0x008000;
constexpr std::uint32_t kStatusLabelWhite = 0xFFFFFF;

}  // namespace korvalesen::window_layout
