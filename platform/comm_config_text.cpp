#include <array>
#include <charconv>
#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>

#include "platform/comm_config_store.h"

namespace korvalesen::platform {

namespace {

// One field: its name, how to read it as a number and how to store one.
struct Field {
  const char* name;
  std::uint32_t max;
  std::uint32_t (*get)(const LineSettings&);
  void (*set)(LineSettings&, std::uint32_t);
};

template <auto Member>
constexpr Field Number(const char* name, std::uint32_t max) {
  return {name, max, [](const LineSettings& s) { return static_cast<std::uint32_t>(s.*Member); },
          [](LineSettings& s, std::uint32_t v) {
            s.*Member = static_cast<std::remove_cvref_t<decltype(s.*Member)>>(v);
          }};
}

template <auto Member>
constexpr Field Character(const char* name) {
  return {
      name, 255,
      [](const LineSettings& s) { return std::uint32_t{static_cast<unsigned char>(s.*Member)}; },
      [](LineSettings& s, std::uint32_t v) {
        s.*Member = static_cast<char>(static_cast<unsigned char>(v));
      }};
}

constexpr std::array kFields{
    Number<&LineSettings::baud_rate>("baud_rate", std::numeric_limits<std::uint32_t>::max()),
    Number<&LineSettings::byte_size>("byte_size", 255),
    Number<&LineSettings::parity>("parity", 4),
    Number<&LineSettings::stop_bits>("stop_bits", 2),
    Number<&LineSettings::binary>("binary", 1),
    Number<&LineSettings::check_parity>("check_parity", 1),
    Number<&LineSettings::out_cts_flow>("out_cts_flow", 1),
    Number<&LineSettings::out_dsr_flow>("out_dsr_flow", 1),
    Number<&LineSettings::dsr_sensitivity>("dsr_sensitivity", 1),
    Number<&LineSettings::tx_continue_on_xoff>("tx_continue_on_xoff", 1),
    Number<&LineSettings::use_error_char>("use_error_char", 1),
    Number<&LineSettings::discard_null>("discard_null", 1),
    Number<&LineSettings::abort_on_error>("abort_on_error", 1),
    Number<&LineSettings::dtr_control>("dtr_control", 2),
    Number<&LineSettings::rts_control>("rts_control", 3),
    Number<&LineSettings::xon_xoff_in>("xon_xoff_in", 1),
    Number<&LineSettings::xon_xoff_out>("xon_xoff_out", 1),
    Number<&LineSettings::xon_limit>("xon_limit", 65535),
    Number<&LineSettings::xoff_limit>("xoff_limit", 65535),
    Character<&LineSettings::xon_char>("xon_char"),
    Character<&LineSettings::xoff_char>("xoff_char"),
    Character<&LineSettings::error_char>("error_char"),
    Character<&LineSettings::eof_char>("eof_char"),
    Character<&LineSettings::event_char>("event_char"),
};

}  // namespace

std::string FormatLineSettings(const LineSettings& settings) {
  std::string text;
  for (const Field& field : kFields) {
    text += field.name;
    text += '=';
    text += std::to_string(field.get(settings));
    text += '\n';
  }
  return text;
}

std::optional<LineSettings> ParseLineSettings(std::string_view text) {
  LineSettings settings;
  while (!text.empty()) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    if (line.empty()) continue;
    const std::size_t equals = line.find('=');
    if (equals == std::string_view::npos) return std::nullopt;
    const std::string_view name = line.substr(0, equals);
    const std::string_view value = line.substr(equals + 1);
    const Field* field = nullptr;
    for (const Field& candidate : kFields) {
      if (name == candidate.name) field = &candidate;
    }
    std::uint32_t number = 0;
    const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), number);
    if (field == nullptr || error != std::errc() || rest != value.data() + value.size() ||
        number > field->max) {
      return std::nullopt;
    }
    field->set(settings, number);
  }
  return settings;
}

}  // namespace korvalesen::platform
