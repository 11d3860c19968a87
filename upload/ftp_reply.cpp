#include "upload/ftp_reply.h"

#include <string>

#include "upload/decimal_text.h"
#include "upload/text_trim.h"

namespace korvalesen {

bool StartsMultiLineReply(std::string_view first_line) {
  return first_line.size() > 3 && first_line[3] == '-';
}

bool EndsMultiLineReply(std::string_view first_line, std::string_view line) {
  const std::string_view code = first_line.substr(0, 3);
  // Lines arrive trimmed, so an end line of the code and a blank alone is the bare code.
  return StartsWithIgnoringCase(line, std::string(code) + " ") ||
         (line.size() == code.size() && StartsWithIgnoringCase(line, code));
}

std::int16_t ReplyCodeOf(std::string_view last_line) {
  if (StartsWithIgnoringCase(last_line, "+OK")) return 1;
  if (StartsWithIgnoringCase(last_line, "-ERR")) return 0;
  return static_cast<std::int16_t>(ParseDecimal(last_line.substr(0, 3)).value_or(0));
}

}  // namespace korvalesen
