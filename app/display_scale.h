#pragma once

// The window is laid out at 96 pixels per inch; at another resolution it is scaled in
// proportion.

namespace korvalesen {

struct OuterSize {
  int width = 0;
  int height = 0;
  bool operator==(const OuterSize&) const = default;
};

// Screen pixels per inch times 1/96, in single precision.
float DisplayScale(double pixels_per_inch);

// The window's outer size (frame included) at a display scale: 593 x 175 scaled, each
// truncated toward zero (120 pixels per inch give 741 x 218).
OuterSize OuterWindowSize(float display_scale);

}  // namespace korvalesen
