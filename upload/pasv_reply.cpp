#include "upload/pasv_reply.h"

#include <cstdint>

#include "upload/decimal_text.h"
#include "upload/id_errors.h"
#include "upload/text_trim.h"

namespace korvalesen {
namespace {

// Cuts the field before the first "," off the front of text (all of it when none is left).
std::string_view TakeField(std::string_view& text) {
  const auto comma = text.find(',');
  const std::string_view field = text.substr(0, comma);
  text = comma == std::string_view::npos ? std::string_view() : text.substr(comma + 1);
  return field;
}

constexpr int kPortByteLimit = 255;
constexpr std::int64_t kPortLimit = 65535;

int PortField(std::string_view field) {
  const auto value = ParseDecimal(field);
  if (!value) throw EConvertError(std::string(field));
  return *value;
}

}  // namespace

PassiveAddress ParsePassiveReply(std::string_view last_line) {
  std::string_view text = TrimBlanksAndControls(last_line);
  const auto open = text.find('(');
  const auto close = text.find(')');
  if (open != std::string_view::npos && close != std::string_view::npos) {
    text = open < close ? text.substr(open + 1, close - open - 1) : std::string_view();
  } else {
    const auto blank = text.rfind(' ');
    if (blank != std::string_view::npos) text = text.substr(blank + 1);
  }
  PassiveAddress result;
  for (int i = 0; i < 4; ++i) {
    if (i > 0) result.address += '.';
    result.address += TakeField(text);
  }
  const std::string_view high_field = TakeField(text);
  const std::string_view low_field = TakeField(text);
  const int high = PortField(high_field);
  const int low = PortField(low_field);
  // A port outside 0 to 65535 cannot be connected to; the field that put it there is named
  // like one that is no number at all.
  const std::int64_t port = std::int64_t{high} * 256 + low;
  if (port < 0 || port > kPortLimit) {
    throw EConvertError(std::string(high < 0 || high > kPortByteLimit ? high_field : low_field));
  }
  result.port = static_cast<int>(port);
  return result;
}

}  // namespace korvalesen
