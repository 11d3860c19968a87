#include "board/dump_parse.h"

#include <gtest/gtest.h>

#include <limits>
#include <string>
#include <vector>

namespace korvalesen {
namespace {

TEST(FieldValue, ConvertsLikeTheFirmwaresDecimalFields) {
  const struct {
    std::string field;
    std::int32_t value;
  } cases[] = {
      {"", 0},
      {"0", 0},
      {"-3", -3},
      {"+7", 7},
      {"  42", 42},
      {"\t\n 5", 5},
      {"12abc", 12},
      {" -12x", -12},
      {"abc", 0},
      {"-", 0},
      {"+-3", 0},
      {"1 2", 1},
      {"2147483647", std::numeric_limits<std::int32_t>::max()},
      {"2147483648", std::numeric_limits<std::int32_t>::min()},
      {"4294967295", -1},
      {"4294967296", 0},
      {"99999999999", 1215752191},  // 99999999999 mod 2^32
      {"-4294967297", -1},
  };
  for (const auto& c : cases) EXPECT_EQ(FieldValue(c.field), c.value) << '"' << c.field << '"';
}

// An ASCII part from field texts, the serial number, the further characters and the marker.
std::vector<std::uint8_t> AsciiPart(const std::vector<std::string>& fields,
                                    const std::string& trailer = "4711XYZ") {
  std::string text;
  for (const std::string& field : fields) text += field + "_";
  text += trailer;
  text += static_cast<char>(DumpEndMarker);
  return {text.begin(), text.end()};
}

std::vector<std::string> CompleteFields() {
  std::vector<std::string> fields;
  for (int i = 0; i < SettingsCount; ++i) fields.push_back(std::to_string(i * 1000 - 7));
  for (int i = 0; i < FaultLogSize; ++i) fields.push_back(std::to_string(100000 + i));
  for (int i = 0; i < FaultLogSize; ++i) fields.push_back(std::to_string(i % 39));
  return fields;
}

struct Parsed {
  bool ok;
  ConfigImage image;
  int fields_taken;
};

Parsed Parse(const std::vector<std::uint8_t>& part) {
  Parsed parsed{false, {}, 0};
  parsed.ok = ParseAsciiPart(part, parsed.image, [&] { ++parsed.fields_taken; });
  return parsed;
}

TEST(ParseAsciiPart, FillsTheImageWithTheFaultBlocksReversed) {
  std::vector<std::string> fields = CompleteFields();
  const std::size_t numbers = SettingsCount + FaultLogSize;
  fields[numbers + 0] = "38";
  fields[numbers + 1] = "39";
  fields[numbers + 2] = "40";
  fields[numbers + 3] = "1000";
  fields[numbers + 4] = "-1";
  fields[numbers + 5] = "-200";
  fields[SettingsCount] = "4294967295";
  const Parsed parsed = Parse(AsciiPart(fields));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.fields_taken, 2120);
  const ConfigImage& image = parsed.image;
  for (std::size_t i = 0; i < image.settings.size(); ++i) {
    EXPECT_EQ(image.settings[i], static_cast<int>(i) * 1000 - 7);
  }
  // The first field of each block lands at position 1000 (index 999), the last at position 1.
  EXPECT_EQ(image.faultTimes[999], 4294967295u);
  EXPECT_EQ(image.faultTimes[998], 100001u);
  EXPECT_EQ(image.faultTimes[0], 100999u);
  EXPECT_EQ(image.faultNumbers[999], 38);
  EXPECT_EQ(image.faultNumbers[998], 39);
  EXPECT_EQ(image.faultNumbers[997], 39);
  EXPECT_EQ(image.faultNumbers[996], 39);
  EXPECT_EQ(image.faultNumbers[995], 255);  // a negative number keeps its low 8 bits
  EXPECT_EQ(image.faultNumbers[994], 56);   // -200
  EXPECT_EQ(image.faultNumbers[0], 999 % 39);
  EXPECT_EQ(image.serialNumber, "4711");
  EXPECT_EQ(image.serialExtra, "XYZ");
}

TEST(ParseAsciiPart, EmptySignedBlankAndTrailingTextFields) {
  std::vector<std::string> fields = CompleteFields();
  fields[0] = "";
  fields[1] = "-3";
  fields[2] = "   15";
  fields[3] = "12abc";
  fields[4] = std::string(49, '7').replace(0, 40, 40, ' ');  // 49 characters fit the buffer
  const Parsed parsed = Parse(AsciiPart(fields));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.image.settings[0], 0);
  EXPECT_EQ(parsed.image.settings[1], -3);
  EXPECT_EQ(parsed.image.settings[2], 15);
  EXPECT_EQ(parsed.image.settings[3], 12);
  EXPECT_EQ(parsed.image.settings[4], 777777777);
}

TEST(ParseAsciiPart, SerialNumberKeepsItsBytesAsReceived) {
  const std::string serial("4\0_1", 4);
  const Parsed parsed = Parse(AsciiPart(CompleteFields(), serial + "\x01\x02\x03"));
  ASSERT_TRUE(parsed.ok);
  EXPECT_EQ(parsed.image.serialNumber, serial);
  EXPECT_EQ(parsed.image.serialExtra, "\x01\x02\x03");
}

TEST(ParseAsciiPart, AMisplacedEndMarkerOrAShortPartFailsWithoutLeavingTheBytes) {
  std::vector<std::string> one_more = CompleteFields();
  one_more.push_back("5");
  EXPECT_FALSE(Parse(AsciiPart(one_more)).ok);

  std::vector<std::string> one_less = CompleteFields();
  one_less.pop_back();
  EXPECT_FALSE(Parse(AsciiPart(one_less)).ok);

  std::vector<std::string> long_field = CompleteFields();
  long_field[7] = std::string(60, '1');
  EXPECT_FALSE(Parse(AsciiPart(long_field)).ok);
  long_field[7] = std::string(50, '1');
  EXPECT_FALSE(Parse(AsciiPart(long_field)).ok);

  EXPECT_FALSE(Parse(AsciiPart(CompleteFields(), "4711XY")).ok);    // one character short
  EXPECT_FALSE(Parse(AsciiPart(CompleteFields(), "4711XYZW")).ok);  // one too many
  EXPECT_FALSE(Parse({}).ok);
  EXPECT_FALSE(Parse({DumpEndMarker}).ok);

  // Cut anywhere, the part never parses; under the address sanitizer a read beyond the bytes
  // would stop the test.
  const std::vector<std::uint8_t> whole = AsciiPart(CompleteFields());
  for (std::size_t length :
       {std::size_t{1}, std::size_t{500}, whole.size() - 8, whole.size() - 1}) {
    const std::vector<std::uint8_t> cut(whole.begin(),
                                        whole.begin() + static_cast<std::ptrdiff_t>(length));
    EXPECT_FALSE(Parse(cut).ok) << length;
  }
}

}  // namespace
}  // namespace korvalesen
