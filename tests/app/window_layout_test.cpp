#include "app/window_layout.h"

#include <gtest/gtest.h>

namespace korvalesen {
namespace {

namespace layout = window_layout;

bool Inside(const layout::Place& place, int width, int height) {
  return place.left >= 0 && place.top >= 0 && place.left + place.width <= width &&
         place.top + place.height <= height;
}

TEST(WindowLayout, EveryControlLiesInsideItsFrameAndTheFramesInsideTheWindow) {
  for (const layout::Place& frame : {layout::kGroupBox3, layout::kGroupBox4}) {
    EXPECT_TRUE(Inside(frame, layout::kClientSize.width, layout::kClientSize.height));
  }
  for (const layout::Place& control :
       {layout::kStatusLabel, layout::kProgressBar, layout::kResetPanel}) {
    EXPECT_TRUE(Inside(control, layout::kGroupBox3.width, layout::kGroupBox3.height));
  }
  for (const layout::Place& control : {layout::kComboBox, layout::kSuchenButton}) {
    EXPECT_TRUE(Inside(control, layout::kGroupBox4.width, layout::kGroupBox4.height));
  }
  EXPECT_LE(layout::kGroupBox3.left + layout::kGroupBox3.width, layout::kGroupBox4.left)
      << "the frames overlap";
}

TEST(WindowLayout, LengthsScaleInProportionRoundedToTheNearestPixel) {
  EXPECT_EQ(layout::Scaled(353, 96), 353);
  EXPECT_EQ(layout::Scaled(353, 120), 441);  // 441.25
  EXPECT_EQ(layout::Scaled(18, 144), 27);
  EXPECT_EQ(layout::Scaled(1, 144), 2) << "a half pixel rounds up";
  EXPECT_EQ(layout::Scaled(89, 120), 111);  // 111.25
  EXPECT_EQ(layout::Scaled(25, 168), 44);   // 43.75
  EXPECT_EQ(layout::Scaled(16, 72), 12);
}

}  // namespace
}  // namespace korvalesen
