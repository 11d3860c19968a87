#include "app/display_scale.h"

namespace korvalesen {

float DisplayScale(double pixels_per_inch) {
  return static_cast<float>(pixels_per_inch) * (1.0f / 96.0f);
}

OuterSize OuterWindowSize(float display_scale) {
  return {static_cast<int>(display_scale * 593.0f), static_cast<int>(display_scale * 175.0f)};
}

}  // namespace korvalesen
