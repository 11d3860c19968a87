// Reading FTP replies from what a server sent: the bytes go into the input buffer of a
// connection without a socket, and replies are read with AwaitReply until the bytes run out
// (the connection then counts as closed by the peer). Every reply must consist of trimmed,
// non-empty lines taken in order from the input, end where a multi-line reply ends, and carry
// the code of its last line.

#include <algorithm>
#include <optional>
#include <string>

#include "fuzz/property.h"
#include "upload/ftp_reply.h"
#include "upload/id_errors.h"
#include "upload/tcp_connection.h"
#include "upload/text_trim.h"

namespace korvalesen::fuzz {
namespace {

bool IsBlankOrControl(char c) {
  return static_cast<unsigned char>(c) <= ' ';
}

bool OnlyBlanks(std::string_view text) {
  return std::all_of(text.begin(), text.end(), IsBlankOrControl);
}

bool IsTrimmed(std::string_view line) {
  return !line.empty() && !IsBlankOrControl(line.front()) && !IsBlankOrControl(line.back());
}

// The number in a reply's first three characters: an optional sign and digits, nothing else.
std::optional<int> CodeNumber(std::string_view first) {
  const std::size_t digits = first.starts_with('+') || first.starts_with('-') ? 1 : 0;
  if (first.size() == digits ||
      first.find_first_not_of("0123456789", digits) != std::string_view::npos) {
    return std::nullopt;
  }
  return std::stoi(std::string(first));
}

void CheckCode(std::string_view last_line, std::int16_t code) {
  if (StartsWithIgnoringCase(last_line, "+OK")) {
    Require(code == 1, "a last line starting with +OK gives the code 1");
  } else if (StartsWithIgnoringCase(last_line, "-ERR")) {
    Require(code == 0, "a last line starting with -ERR gives the code 0");
  } else {
    // A sign may stand among the three characters: "-12" and "+12" are numbers too.
    Require(code == CodeNumber(last_line.substr(0, 3)).value_or(0),
            "a reply code is the number in the first three characters, or 0");
  }
  Require(code >= -99 && code <= 999, "a reply code has at most three characters");
}

// The reply read last, against the input that is left after it.
void CheckReply(TIdTCPConnection& connection, std::string_view& unread) {
  const auto& lines = connection.ReplyLines;
  Require(!lines.empty(), "a reply has at least one line");
  for (std::size_t i = 0; i < lines.size(); ++i) {
    const std::string& line = lines[i];
    Require(IsTrimmed(line), "reply lines are trimmed and not empty");
    Require(line.find('\n') == std::string::npos, "a reply line holds no line feed");
    // Before the line only blank lines and blanks; after it blanks up to its line feed.
    const auto at = unread.find(line);
    Require(at != std::string_view::npos && OnlyBlanks(unread.substr(0, at)),
            "reply lines come from the input in order, only blank lines skipped");
    const auto end = unread.find('\n', at + line.size());
    Require(end != std::string_view::npos &&
                OnlyBlanks(unread.substr(at + line.size(), end - at - line.size())),
            "a reply line is its input line trimmed");
    unread.remove_prefix(end + 1);
    const bool last = i + 1 == lines.size();
    if (i > 0) {
      Require(EndsMultiLineReply(lines.front(), line) == last,
              "a multi-line reply ends at its first end line");
    }
  }
  Require(StartsMultiLineReply(lines.front()) || lines.size() == 1,
          "a reply without '-' after its code has one line");
  Require(unread == connection.InputBuffer().View(),
          "what follows the reply stays in the input buffer");
  CheckCode(lines.back(), connection.ReplyCode);
}

}  // namespace
}  // namespace korvalesen::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace korvalesen;
  using namespace korvalesen::fuzz;
  const std::string_view input = AsText(data, size);
  TIdTCPConnection connection;
  connection.InputBuffer().Append(input);
  std::string_view unread = input;
  for (int reply = 0;; ++reply) {
    const std::size_t before = connection.InputBuffer().Size();
    try {
      // Every second reply is checked against the codes of a finished transfer.
      const std::int16_t code =
          reply % 2 == 0 ? connection.AwaitReply({}) : connection.AwaitReply({225, 226, 250, 426});
      Require(code == connection.ReplyCode, "AwaitReply returns the stored code");
      if (reply % 2 == 1) {
        Require(code == 225 || code == 226 || code == 250 || code == 426,
                "an accepted code is one of the list");
      }
    } catch (const EIdProtocolReplyError& error) {
      Require(reply % 2 == 1, "an empty list accepts every code");
      Require(error.ReplyErrorCode() == connection.ReplyCode &&
                  error.Message() == connection.LastReplyLine(),
              "a refused reply raises its code and its last line");
    } catch (const EIdConnClosedGracefully&) {
      Require(!Contains(connection.InputBuffer().View(), "\n"),
              "the input runs out only when no line is left in it");
      break;
    }
    Require(connection.InputBuffer().Size() < before, "every reply takes input");
    CheckReply(connection, unread);
  }
  return 0;
}
