// The parse of the dump's ASCII part over arbitrary bytes. The bytes are split at '_' here as
// the board sends them, and every value in the image must be the one its field gives; what
// the parse did not reach, and what belongs to the later stages of the reader, stays as it
// was. Each field's value is checked against the C library's conversion.

#include <cstdlib>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "board/dump_parse.h"
#include "fuzz/property.h"

namespace korvalesen::fuzz {
namespace {

constexpr int kFieldCount = SettingsCount + 2 * FaultLogSize;
constexpr std::size_t kExactDigits = 18;  // a longer number does not fit strtoll

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Where FieldValue's digits begin and how many there are.
std::pair<std::size_t, std::size_t> DigitRun(std::string_view field) {
  std::size_t begin = 0;
  while (begin < field.size() && IsBlank(field[begin])) ++begin;
  if (begin < field.size() && (field[begin] == '+' || field[begin] == '-')) ++begin;
  std::size_t end = begin;
  while (end < field.size() && field[end] >= '0' && field[end] <= '9') ++end;
  return {begin, end - begin};
}

void CheckFieldValue(std::string_view field, std::int32_t value) {
  const auto [begin, digits] = DigitRun(field);
  if (digits > kExactDigits) return;
  const std::string text(field);
  const long long exact = std::strtoll(text.c_str(), nullptr, 10);
  Require(value == static_cast<std::int32_t>(static_cast<std::uint32_t>(exact)),
          "a field's value is its decimal number modulo 2^32");
  // Leading zeros change nothing.
  const std::string padded = text.substr(0, begin) + "000" + text.substr(begin);
  Require(FieldValue(padded) == value, "leading zeros do not change a field's value");
}

// The fields the parse took, as the bytes before each '_' up to the first NUL; the position
// after the last one.
struct Fields {
  std::vector<std::int32_t> values;
  std::size_t end = 0;
};

Fields SplitFields(std::string_view part, int count) {
  Fields fields;
  for (int i = 0; i < count; ++i) {
    const auto stop = part.find('_', fields.end);
    Require(stop != std::string_view::npos, "every field taken ends with '_'");
    std::string_view field = part.substr(fields.end, stop - fields.end);
    Require(field.size() <= FieldCharacterLimit, "no field taken is longer than the limit");
    field = field.substr(0, field.find('\0'));
    const std::int32_t value = FieldValue(field);
    CheckFieldValue(field, value);
    fields.values.push_back(value);
    fields.end = stop + 1;
  }
  return fields;
}

std::uint8_t StoredFaultNumber(std::int32_t value) {
  return static_cast<std::uint8_t>(value > MaxFaultNumber ? InvalidFaultNumber : value);
}

void CheckImage(const ConfigImage& image, const Fields& fields) {
  const auto taken = fields.values.size();
  for (std::size_t i = 0; i < image.settings.size(); ++i) {
    Require(image.settings[i] == (i < taken ? fields.values[i] : 0),
            "settings hold the first 120 fields in order, the rest untouched");
  }
  // The log arrives from position 1000 down to position 1 (index 999 down to 0).
  for (std::size_t n = 0; n < FaultLogSize; ++n) {
    const std::size_t index = FaultLogSize - 1 - n;
    const std::size_t time_field = SettingsCount + n;
    const std::size_t number_field = SettingsCount + FaultLogSize + n;
    Require(image.faultTimes[index] ==
                (time_field < taken ? static_cast<std::uint32_t>(fields.values[time_field]) : 0u),
            "fault times hold the next 1000 fields, the first received at position 1000");
    const std::uint8_t number =
        number_field < taken ? StoredFaultNumber(fields.values[number_field]) : 0;
    Require(image.faultNumbers[index] == number,
            "fault numbers hold the last 1000 fields, numbers above 38 stored as 39");
  }
}

}  // namespace
}  // namespace korvalesen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvalesen;
  using namespace korvalesen::fuzz;
  const std::string_view part = AsText(data, size);

  // On the heap, so that a write past the image is seen by the address sanitizer.
  auto image = std::make_unique<ConfigImage>();
  image->languageCode = 0x5A;
  image->deviceType = 0xA5;
  image->versionText = "vorher";
  int taken = 0;
  const bool parsed =
      ParseAsciiPart(std::span<const std::uint8_t>(data, size), *image, [&taken] { ++taken; });

  Require(taken <= kFieldCount, "at most 2120 fields are taken");
  Require(
      image->languageCode == 0x5A && image->deviceType == 0xA5 && image->versionText == "vorher",
      "the parse writes only the fields of the ASCII part");
  Require(image->serialNumber.size() == 4 && image->serialExtra.size() == 3,
          "the serial number keeps 4 bytes and the further characters 3");

  const Fields fields = SplitFields(part, taken);
  CheckImage(*image, fields);

  const std::size_t marker = fields.end + 7;
  if (parsed) {
    Require(taken == kFieldCount, "a parse that succeeds takes all 2120 fields");
    Require(marker < size && data[marker] == DumpEndMarker,
            "a parse succeeds only with the end marker after the seven characters");
    Require(image->serialNumber == part.substr(fields.end, 4) &&
                image->serialExtra == part.substr(fields.end + 4, 3),
            "the serial number and the further characters are the bytes after the fields");
  } else if (taken == kFieldCount) {
    Require(marker >= size || data[marker] != DumpEndMarker,
            "after all fields the parse fails only when the end marker is missing");
  } else {
    const auto stop = part.find('_', fields.end);
    Require(stop == std::string_view::npos || stop - fields.end > FieldCharacterLimit,
            "the parse stops early only at a field without '_' or longer than the limit");
  }
  return 0;
}
