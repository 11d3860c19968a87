#include "board/dump_parse.h"

#include <algorithm>
#include <optional>

namespace korvalesen {

namespace {

bool IsBlank(char c) {
  return c == ' ' || (c >= '\t' && c <= '\r');
}

// Reads fields and fixed-size texts from the front of the received bytes.
class PartReader {
 public:
  explicit PartReader(std::span<const std::uint8_t> part) : rest_(part) {}

  // The next field's value; nothing when no '_' follows within the limit.
  std::optional<std::int32_t> Field() {
    const auto end = std::find(rest_.begin(), rest_.end(), std::uint8_t{'_'});
    const auto length = static_cast<std::size_t>(end - rest_.begin());
    if (end == rest_.end() || length > FieldCharacterLimit) return std::nullopt;
    // The field buffer holds a C text: a NUL byte ends it early.
    std::string_view text(reinterpret_cast<const char*>(rest_.data()), length);
    text = text.substr(0, text.find('\0'));
    rest_ = rest_.subspan(length + 1);
    return FieldValue(text);
  }

  std::optional<std::string> Text(std::size_t length) {
    if (rest_.size() < length) return std::nullopt;
    std::string text(reinterpret_cast<const char*>(rest_.data()), length);
    rest_ = rest_.subspan(length);
    return text;
  }

  std::optional<std::uint8_t> Byte() {
    if (rest_.empty()) return std::nullopt;
    const std::uint8_t byte = rest_.front();
    rest_ = rest_.subspan(1);
    return byte;
  }

 private:
  std::span<const std::uint8_t> rest_;
};

}  // namespace

std::int32_t FieldValue(std::string_view field) {
  std::size_t pos = 0;
  while (pos < field.size() && IsBlank(field[pos])) ++pos;
  bool negative = false;
  if (pos < field.size() && (field[pos] == '+' || field[pos] == '-')) {
    negative = field[pos] == '-';
    ++pos;
  }
  std::uint32_t value = 0;
  for (; pos < field.size() && field[pos] >= '0' && field[pos] <= '9'; ++pos) {
    value = value * 10u + static_cast<std::uint32_t>(field[pos] - '0');
  }
  if (negative) value = 0u - value;
  return static_cast<std::int32_t>(value);
}

bool ParseAsciiPart(std::span<const std::uint8_t> part, ConfigImage& image,
                    const std::function<void()>& after_field) {
  PartReader reader(part);
  const auto take = [&]() -> std::optional<std::int32_t> {
    auto value = reader.Field();
    if (value) after_field();
    return value;
  };
  for (std::int32_t& setting : image.settings) {
    const auto value = take();
    if (!value) return false;
    setting = *value;
  }
  // The board sends its oldest entry first: it goes to position 1000, the last to position 1.
  for (auto it = image.faultTimes.rbegin(); it != image.faultTimes.rend(); ++it) {
    const auto value = take();
    if (!value) return false;
    *it = static_cast<std::uint32_t>(*value);
  }
  for (auto it = image.faultNumbers.rbegin(); it != image.faultNumbers.rend(); ++it) {
    const auto value = take();
    if (!value) return false;
    *it = static_cast<std::uint8_t>(*value > MaxFaultNumber ? InvalidFaultNumber : *value);
  }
  const auto serial_number = reader.Text(4);
  const auto serial_extra = reader.Text(3);
  if (!serial_number || !serial_extra) return false;
  image.serialNumber = *serial_number;
  image.serialExtra = *serial_extra;
  return reader.Byte() == DumpEndMarker;
}

}  // namespace korvalesen
