#include "board/port_found_tone.h"

#include <gtest/gtest.h>

#include <string>

namespace korvalesen {
namespace {

std::uint32_t LittleEndian(const PortFoundToneImage& image, std::size_t offset, std::size_t size) {
  std::uint32_t value = 0;
  for (std::size_t i = 0; i < size; ++i) value |= std::uint32_t{image[offset + i]} << (8 * i);
  return value;
}

TEST(PortFoundTone, HeaderDescribes1956UnsignedSamplesAt22050PerSecond) {
  const PortFoundToneImage image = BuildPortFoundTone();
  EXPECT_EQ(std::string(image.begin(), image.begin() + 4), "RIFF");
  EXPECT_EQ(LittleEndian(image, 4, 4), 1994u);
  EXPECT_EQ(std::string(image.begin() + 8, image.begin() + 16), "WAVEfmt ");
  EXPECT_EQ(LittleEndian(image, 16, 4), 18u);
  EXPECT_EQ(LittleEndian(image, 20, 2), 1u);
  EXPECT_EQ(LittleEndian(image, 22, 2), 1u);
  EXPECT_EQ(LittleEndian(image, 24, 4), 22050u);
  EXPECT_EQ(LittleEndian(image, 28, 4), 22050u);
  EXPECT_EQ(LittleEndian(image, 32, 2), 1u);
  EXPECT_EQ(LittleEndian(image, 34, 2), 8u);
  EXPECT_EQ(LittleEndian(image, 36, 2), 0u);
  EXPECT_EQ(std::string(image.begin() + 38, image.begin() + 42), "data");
  EXPECT_EQ(LittleEndian(image, 42, 4), 1956u);
}

TEST(PortFoundTone, SamplesAreASquareWaveOfSixEndingHigh) {
  const PortFoundToneImage image = BuildPortFoundTone();
  const std::uint8_t period[] = {223, 223, 31, 31, 31, 223};
  for (std::size_t i = 0; i < 1956; ++i) {
    ASSERT_EQ(image[46 + i], period[i % 6]) << "sample " << i + 1;
  }
  EXPECT_EQ(image[PortFoundToneSize - 1], 223);
}

}  // namespace
}  // namespace korvalesen
