#include "sim/board_dump.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdint>
#include <string>
#include <vector>

namespace korvalesen {
namespace {

// The dump cut into its 2120 decimal fields and the bytes after the last one.
struct Fields {
  std::vector<std::int64_t> values;
  std::string tail;
};

Fields Split(const std::string& dump) {
  Fields fields;
  std::size_t at = 0;
  for (int i = 0; i < SettingsCount + 2 * FaultLogSize; ++i) {
    const std::size_t end = dump.find('_', at);
    if (end == std::string::npos) break;
    fields.values.push_back(std::stoll(dump.substr(at, end - at)));
    at = end + 1;
  }
  fields.tail = dump.substr(at);
  return fields;
}

std::string Trailer(const ConfigImage& image) {
  return image.serialNumber + image.serialExtra + "\xAF\x03" +
         static_cast<char>(image.languageCode) + static_cast<char>(image.deviceType) +
         image.versionText + "_";
}

// Settings in order, then each fault block from position 1000 down to position 1.
void ExpectLayout(const ConfigImage& image) {
  const Fields fields = Split(sim::BuildDump(image));
  ASSERT_EQ(fields.values.size(), 2120u);
  for (std::size_t i = 0; i < image.settings.size(); ++i) {
    EXPECT_EQ(fields.values[i], image.settings[i]) << i;
  }
  // Field k of a fault block holds position 1000 - k.
  for (std::size_t k = 0; k < FaultLogSize; ++k) {
    const std::size_t index = FaultLogSize - 1 - k;
    EXPECT_EQ(fields.values[SettingsCount + k], image.faultTimes[index]) << k;
    EXPECT_EQ(fields.values[SettingsCount + FaultLogSize + k], image.faultNumbers[index]) << k;
  }
  EXPECT_EQ(fields.tail, Trailer(image));
}

TEST(BoardDumpTest, FieldsInOrderFaultBlocksNewestLastAndTheTrailerBytes) {
  ConfigImage image;
  image.settings[0] = -5;
  image.settings[119] = 2147483647;
  image.faultTimes[999] = 111;        // position 1000: sent first
  image.faultTimes[0] = 4000000000u;  // position 1: sent last
  image.faultNumbers[999] = 7;
  image.faultNumbers[0] = 38;
  image.serialNumber = "AB_C";  // raw bytes, a '_' among them
  image.serialExtra = "xyz";
  image.languageCode = 1;
  image.deviceType = 0xAF;
  image.versionText = "V2.13";
  const std::string dump = sim::BuildDump(image);
  EXPECT_TRUE(dump.starts_with("-5_0_0_"));
  EXPECT_NE(dump.find("_2147483647_111_0_"), std::string::npos);
  EXPECT_NE(dump.find("_4000000000_7_0_"), std::string::npos);
  EXPECT_TRUE(dump.ends_with("_0_38_AB_Cxyz\xAF\x03\x01\xAFV2.13_"));
  ExpectLayout(image);
}

TEST(BoardDumpTest, SerialFieldsAreAlwaysFourAndThreeBytes) {
  ConfigImage image;
  image.serialNumber = "AB";
  image.serialExtra = "wxyz";
  image.versionText = "";
  const std::string dump = sim::BuildDump(image);
  EXPECT_TRUE(dump.ends_with(std::string("_0_AB\0\0wxy\xAF\x03\x00\x00_", 15)));
}

// What any board may hold: fault numbers with texts, printable serial fields, a version of
// 1 to 16 characters without '_', entries only at the low positions.
void ExpectPlausible(const ConfigImage& image) {
  for (const auto number : image.faultNumbers) EXPECT_LE(number, MaxFaultNumber);
  std::size_t entries = 0;
  while (entries < FaultLogSize && image.faultTimes[entries] != 0) ++entries;
  for (std::size_t i = entries; i < FaultLogSize; ++i) {
    EXPECT_EQ(image.faultTimes[i], 0u) << i;
    EXPECT_EQ(image.faultNumbers[i], 0) << i;
  }
  ASSERT_EQ(image.serialNumber.size(), 4u);
  ASSERT_EQ(image.serialExtra.size(), 3u);
  for (const char c : image.serialNumber) EXPECT_TRUE(std::isupper(c) || std::isdigit(c)) << c;
  for (const char c : image.serialExtra) EXPECT_TRUE(c > ' ' && c < 0x7F);
  EXPECT_GE(image.versionText.size(), 1u);
  EXPECT_LE(image.versionText.size(), 16u);
  for (const char c : image.versionText) EXPECT_TRUE(c > ' ' && c < 0x7F && c != '_');
  EXPECT_LT(image.languageCode, 2);
}

TEST(BoardDumpTest, TheSampleBoard) {
  const ConfigImage image = sim::SampleBoardImage();
  ExpectPlausible(image);
  ExpectLayout(image);
  EXPECT_NE(image.faultTimes[11], 0u);
  EXPECT_EQ(image.faultTimes[12], 0u);
  bool negative = false, wide = false;
  for (const auto value : image.settings) {
    negative = negative || value < 0;
    wide = wide || value > 1000000 || value < -1000000;
  }
  EXPECT_TRUE(negative && wide);
}

TEST(BoardDumpTest, RandomBoardsAreFixedBySeedAndPlausible) {
  EXPECT_EQ(sim::BuildDump(sim::RandomBoardImage(17)), sim::BuildDump(sim::RandomBoardImage(17)));
  EXPECT_NE(sim::BuildDump(sim::RandomBoardImage(17)), sim::BuildDump(sim::RandomBoardImage(18)));
  std::size_t longest_log = 0, shortest_log = FaultLogSize;
  for (std::uint32_t seed = 0; seed < 40; ++seed) {
    SCOPED_TRACE(seed);
    const ConfigImage image = sim::RandomBoardImage(seed);
    ExpectPlausible(image);
    ExpectLayout(image);
    std::size_t entries = 0;
    while (entries < FaultLogSize && image.faultTimes[entries] != 0) ++entries;
    longest_log = std::max(longest_log, entries);
    shortest_log = std::min(shortest_log, entries);
  }
  // The seeds give logs of very different lengths, not one shape.
  EXPECT_GT(longest_log, 500u);
  EXPECT_LT(shortest_log, 500u);
}

}  // namespace
}  // namespace korvalesen
