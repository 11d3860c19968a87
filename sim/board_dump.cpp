#include "sim/board_dump.h"

#include <random>
#include <stdexcept>
#include <string_view>

#include "board/dump_parse.h"

namespace korvalesen::sim {

namespace {

constexpr char kFieldEnd = '_';

template <class Number>
void AppendField(std::string& dump, Number value) {
  dump += std::to_string(value);
  dump += kFieldEnd;
}

std::string FixedSize(std::string text, std::size_t size) {
  text.resize(size, '\0');
  return text;
}

// Faults at positions 1 to count, the newest at position 1, each some hours apart.
void LogFaults(ConfigImage& image, int count, std::uint32_t newest, std::uint32_t spacing,
               const auto& number_of) {
  for (int i = 0; i < count && i < FaultLogSize; ++i) {
    const auto index = static_cast<std::size_t>(i);
    image.faultTimes[index] = newest - static_cast<std::uint32_t>(i) * spacing;
    image.faultNumbers[index] = static_cast<std::uint8_t>(number_of(i));
  }
}

}  // namespace

std::string BuildDump(const ConfigImage& image) {
  std::string dump;
  dump.reserve(16 * 1024);
  for (const std::int32_t setting : image.settings) AppendField(dump, setting);
  for (auto it = image.faultTimes.rbegin(); it != image.faultTimes.rend(); ++it) {
    AppendField(dump, *it);
  }
  for (auto it = image.faultNumbers.rbegin(); it != image.faultNumbers.rend(); ++it) {
    AppendField(dump, unsigned{*it});
  }
  // Fixed-size texts on the wire: cut or filled with NUL bytes.
  dump += FixedSize(image.serialNumber, 4);
  dump += FixedSize(image.serialExtra, 3);
  dump += static_cast<char>(DumpEndMarker);
  dump += static_cast<char>(DumpControlCharacter);
  dump += static_cast<char>(image.languageCode);
  dump += static_cast<char>(image.deviceType);
  dump += image.versionText;
  dump += kFieldEnd;
  return dump;
}

std::string PaddedDump(const ConfigImage& image, std::size_t ascii_part_size) {
  const std::string dump = BuildDump(image);
  // The fields end where the serial number's 4 and the further 3 characters begin.
  const std::size_t fields_end = dump.find(static_cast<char>(DumpEndMarker)) - 7;
  if (ascii_part_size < fields_end + 8) throw std::invalid_argument("ASCII part too small");
  const std::size_t padding = ascii_part_size - (fields_end + 8);
  constexpr std::size_t kFields = SettingsCount + 2 * FaultLogSize;
  std::string padded;
  padded.reserve(dump.size() + padding);
  std::size_t field = 0;
  std::size_t start = 0;
  while (start < fields_end) {
    const std::size_t end = dump.find(kFieldEnd, start) + 1;
    const std::size_t blanks = padding / kFields + (field < padding % kFields ? 1 : 0);
    if (end - start - 1 + blanks > FieldCharacterLimit) {
      throw std::invalid_argument("ASCII part too large for the fields");
    }
    padded.append(blanks, ' ');
    padded.append(dump, start, end - start);
    start = end;
    ++field;
  }
  padded.append(dump, fields_end);
  return padded;
}

ConfigImage SampleBoardImage() {
  ConfigImage image;
  for (std::size_t i = 0; i < image.settings.size(); ++i) {
    const auto n = static_cast<std::int32_t>(i);
    image.settings[i] = (n % 7 == 3 ? -1 : 1) * (n * n * 37 % 5000) + (n == 0 ? 230 : 0);
  }
  image.settings[119] = 2147483647;
  image.settings[118] = -2147483647 - 1;
  LogFaults(image, 12, 4000000, 20000, [](int i) { return (i * 7 + 3) % (MaxFaultNumber + 1); });
  image.serialNumber = "A123";
  image.serialExtra = "K07";
  image.languageCode = 0;
  image.deviceType = 2;
  image.versionText = "V2.13";
  return image;
}

ConfigImage RandomBoardImage(std::uint32_t seed) {
  std::mt19937 random(seed);
  const auto uniform = [&random](int low, int high) {
    return std::uniform_int_distribution<int>(low, high)(random);
  };
  ConfigImage image;
  for (std::int32_t& setting : image.settings) setting = uniform(-30000, 30000);
  const int faults = uniform(0, FaultLogSize);
  const auto newest = static_cast<std::uint32_t>(uniform(86400, 2000000000));
  const auto spacing = static_cast<std::uint32_t>(uniform(1, 86400));
  const std::uint32_t span = spacing * static_cast<std::uint32_t>(faults);
  LogFaults(image, faults, newest < span + 1 ? span + 1 : newest, spacing,
            [&uniform](int) { return uniform(0, MaxFaultNumber); });
  const auto printable = [&uniform] {
    char c = '_';
    while (c == '_') c = static_cast<char>(uniform(0x21, 0x7E));
    return c;
  };
  // Serial numbers as on the boards' labels: capitals and digits, so each names a folder.
  static constexpr std::string_view kLabelCharacters = "ABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
  const auto label = [&uniform] {
    return kLabelCharacters[static_cast<std::size_t>(
        uniform(0, static_cast<int>(kLabelCharacters.size()) - 1))];
  };
  for (char& c : image.serialNumber) c = label();
  for (char& c : image.serialExtra) c = printable();
  image.languageCode = static_cast<std::uint8_t>(uniform(0, 1));
  image.deviceType = static_cast<std::uint8_t>(uniform(0, 255));
  image.versionText.resize(static_cast<std::size_t>(uniform(1, 16)));
  for (char& c : image.versionText) c = printable();
  return image;
}

}  // namespace korvalesen::sim
